; Flindra's Windows installer: a 64-bit NSIS installer that puts flindra.scr
; in the system directory, registers an uninstaller and, unless told not to,
; makes Flindra the user's screen saver.
;
; Built by scripts/make-release:
;   makensis -DVERSION=1.0.0 -DHOME_PAGE=https://... -DSCR=flindra.scr \
;            -DICON_FILE=flindra.ico -DLICENSE_FILE=LICENSE -DREADME_FILE=README.txt \
;            -DOUTFILE=flindra-1.0.0-setup.exe flindra.nsi
;
; Command line of the installer:
;   /S             silent install; Flindra becomes the screen saver
;   /NOACTIVATE    leave the current screen saver as it is
; Command line of the uninstaller:
;   /S             silent uninstall; the settings in HKCU\Software\Flindra stay
;   /REMOVESETTINGS  remove those settings too
;   _?=FOLDER      run in place and return only when done (NSIS otherwise
;                  starts a copy of itself in %TEMP% and returns at once)
; Both end with exit code 2 and change nothing when flindra.scr cannot be
; replaced or removed.

!macro RequireDefine NAME
  !ifndef ${NAME}
    !error "flindra.nsi needs -D${NAME}=... (scripts/make-release passes VERSION, HOME_PAGE, SCR, ICON_FILE, LICENSE_FILE, README_FILE and OUTFILE)"
  !endif
!macroend
!insertmacro RequireDefine VERSION
!insertmacro RequireDefine HOME_PAGE
!insertmacro RequireDefine SCR
!insertmacro RequireDefine ICON_FILE
!insertmacro RequireDefine LICENSE_FILE
!insertmacro RequireDefine README_FILE
!insertmacro RequireDefine OUTFILE

Unicode true
; Debian's Wine and every current Windows run 64-bit installers; $SYSDIR is
; then the real 64-bit system directory, where the screen-saver list looks.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!define PRODUCT "Flindra"
!define PUBLISHER "The Flindra authors"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Flindra"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SETTINGS_KEY "Software\Flindra"
!define SESSION_MANAGER_KEY "SYSTEM\CurrentControlSet\Control\Session Manager"
!define SAVER "$SYSDIR\flindra.scr"

Name "${PRODUCT} ${VERSION}"
Caption "${PRODUCT} ${VERSION} Setup"
UninstallCaption "${PRODUCT} ${VERSION} Uninstall"
BrandingText "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} screen saver setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) ${PUBLISHER}. MIT licence."

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define MUI_ICON "${ICON_FILE}"
!define MUI_UNICON "${ICON_FILE}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC

!define MUI_WELCOMEPAGE_TITLE "Welcome to ${PRODUCT} ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "Flindra is a screen saver: six-armed crystal flakes falling through 3-D space.$\r$\n$\r$\nThis installs flindra.scr in the Windows system directory, where the Screen Saver Settings list finds it, and can make it your screen saver.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
; The MIT licence asks nothing of the person who installs: it is shown to
; read, with Next.
!define MUI_PAGE_HEADER_TEXT "Licence"
!define MUI_PAGE_HEADER_SUBTEXT "Flindra is free software under the MIT licence."
!define MUI_LICENSEPAGE_TEXT_TOP "Press Page Down to see the rest of the licence."
!define MUI_LICENSEPAGE_TEXT_BOTTOM "You may use, copy and share Flindra under these terms. Click Next to continue."
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!insertmacro MUI_PAGE_LICENSE "${LICENSE_FILE}"
!define MUI_COMPONENTSPAGE_TEXT_TOP "Flindra itself is always installed. Choose whether it becomes your screen saver now."
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "${PRODUCT} ${VERSION} is installed"
!define MUI_FINISHPAGE_TEXT "Flindra is in the Screen Saver Settings list (search the Start menu for $\"screen saver$\"); its Settings button opens Flindra's own sliders.$\r$\n$\r$\nTo remove it, use Apps and Features (Installed apps) in Windows Settings."
!define MUI_FINISHPAGE_LINK "Flindra's home page"
!define MUI_FINISHPAGE_LINK_LOCATION "${HOME_PAGE}"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_TEXT_TOP "Your Flindra settings (speed, size, colours) stay unless you tick the box below."
!define MUI_PAGE_CUSTOMFUNCTION_SHOW un.HideSpaceRequired
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---- Replacing and removing a file that may be in use ----------------------
; A running flindra.scr (full screen, settings, or the preview that runs while
; Screen Saver Settings is open) keeps its file from being written or
; deleted, but not from being renamed. Neither direction ever leaves a pending
; delete on flindra.scr itself, which a restart would carry out on a later
; install.

!define SPI_SETSCREENSAVEACTIVE 0x0011
!define SPIF_UPDATEINIFILE_SENDCHANGE 3
!define KEY_QUERY_SET_64 0x0103  ; KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY
!define REG_MULTI_SZ 7
!define HKEY_LOCAL_MACHINE 0x80000002

; MoveAside FILE: deletes FILE, or, while a program holds it, renames it to
; the first free FILE.N.old (N = 1 to 9, a name Screen Saver Settings does not
; list) and has Windows delete that copy at the next restart. The error flag
; is set when FILE is still there.
!macro MoveAsideFunction UN
Function ${UN}MoveAside
  Exch $0
  Push $1
  Delete $0
  ${If} ${FileExists} $0
    ${For} $1 1 9
      ; A copy left by an earlier run may be free to delete by now.
      Delete "$0.$1.old"
      ${IfNot} ${FileExists} "$0.$1.old"
        ClearErrors
        Rename $0 "$0.$1.old"
        ${IfNot} ${Errors}
          Delete /REBOOTOK "$0.$1.old"
          ${Break}
        ${EndIf}
      ${EndIf}
    ${Next}
  ${EndIf}
  ; The copy waits harmlessly for a restart: nobody is asked to restart now.
  SetRebootFlag false
  ClearErrors
  ${If} ${FileExists} $0
    SetErrors
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro MoveAsideFunction ""
!insertmacro MoveAsideFunction "un."

; Tells running programs that the screen saver was switched on (1) or off (0);
; Windows writes ScreenSaveActive itself.
!macro AnnounceScreenSaver ACTIVE
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i ${ACTIVE}, p 0, i ${SPIF_UPDATEINIFILE_SENDCHANGE})'
!macroend

; Takes out of PendingFileRenameOperations every delete or rename of what
; this install puts in place (flindra.scr, the uninstaller and its folder)
; that an earlier uninstall left for the next restart. The value holds pairs
; of strings, source then target (empty for a delete); other pairs stay.
Function CancelPendingRemoval
  System::Call 'advapi32::RegOpenKeyExW(p ${HKEY_LOCAL_MACHINE}, w "${SESSION_MANAGER_KEY}", i 0, i ${KEY_QUERY_SET_64}, *p .r0) i .r1'
  ${If} $1 <> 0
    Return
  ${EndIf}
  System::Call 'advapi32::RegQueryValueExW(p r0, w "PendingFileRenameOperations", p 0, p 0, p 0, *i 0 r2) i .r1'
  ${If} $1 = 0
  ${AndIf} $2 > 0
    ; Two zero characters more than the value, so that it always ends.
    IntOp $3 $2 + 4
    System::Alloc $3
    Pop $3
    System::Call 'advapi32::RegQueryValueExW(p r0, w "PendingFileRenameOperations", p 0, p 0, p r3, *i r2 r2) i .r1'
    IntPtrOp $4 $3 + $2  ; end of the value
    StrCpy $5 $3         ; next pair to read
    StrCpy $6 $3         ; where the next kept pair goes
    StrCpy $9 0          ; pairs taken out
    ${DoWhile} $5 P< $4
      System::Call 'kernel32::lstrlenW(p r5) i .r7'
      ${If} $7 = 0
        ${Break}
      ${EndIf}
      System::Call 'kernel32::lstrcpynW(w .r8, p r5, i ${NSIS_MAX_STRLEN})'
      IntOp $7 $7 + 1
      IntOp $7 $7 * 2
      IntPtrOp $7 $5 + $7  ; the target
      System::Call 'kernel32::lstrlenW(p r7) i .r1'
      IntOp $1 $1 + 1
      IntOp $1 $1 * 2
      IntPtrOp $7 $7 + $1  ; the pair after this one
      ${If} $8 == "\??\${SAVER}"
      ${OrIf} $8 == "\??\$INSTDIR\uninstall.exe"
      ${OrIf} $8 == "\??\$INSTDIR\"
      ${OrIf} $8 == "\??\$INSTDIR"
        IntOp $9 $9 + 1
      ${Else}
        IntPtrOp $1 $7 - $5
        System::Call 'kernel32::RtlMoveMemory(p r6, p r5, p r1)'
        IntPtrOp $6 $6 + $1
      ${EndIf}
      StrCpy $5 $7
    ${Loop}
    ${If} $9 > 0
      ${If} $6 P= $3
        System::Call 'advapi32::RegDeleteValueW(p r0, w "PendingFileRenameOperations")'
      ${Else}
        System::Call 'kernel32::RtlZeroMemory(p r6, p 2)'
        IntPtrOp $1 $6 - $3
        IntOp $1 $1 + 2
        System::Call 'advapi32::RegSetValueExW(p r0, w "PendingFileRenameOperations", i 0, i ${REG_MULTI_SZ}, p r3, i r1)'
      ${EndIf}
    ${EndIf}
    System::Free $3
  ${EndIf}
  System::Call 'advapi32::RegCloseKey(p r0)'
FunctionEnd

Section "Flindra screen saver" SecProgram
  SectionIn RO
  SetRegView 64
  Call CancelPendingRemoval
  ; This release's flindra.scr is written beside the old one first, so that
  ; nothing is lost when the old one cannot be moved. Setup asks to close
  ; Flindra and try again; silently, or on Cancel, it ends with nothing
  ; changed. (In the section, File counts towards "Space required".)
  retry:
  SetOutPath "$SYSDIR"
  SetOverwrite try
  ClearErrors
  File "/oname=flindra.scr.new" "${SCR}"
  SetOverwrite on
  ; NOTE: testing the error flag clears it, hence one test per step.
  ${IfNot} ${Errors}
    Push "${SAVER}"
    Call MoveAside
    ${IfNot} ${Errors}
      Rename "${SAVER}.new" "${SAVER}"
      ${IfNot} ${Errors}
        Goto placed
      ${EndIf}
    ${EndIf}
  ${EndIf}
  Delete "${SAVER}.new"
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${SAVER} is in use, so Setup cannot replace it.$\r$\n$\r$\nClose Flindra (the screen saver, its settings, or Screen Saver Settings with its preview), then click Retry. Cancel leaves the installed Flindra as it is." /SD IDCANCEL IDRETRY retry
  Abort "${SAVER} is in use; nothing was changed."
  placed:
  SetOutPath "$INSTDIR"
  File "/oname=LICENSE.txt" "${LICENSE_FILE}"
  File "/oname=README.txt" "${README_FILE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; One entry in Apps and Features; an install over an older one rewrites it.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} screen saver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "${SAVER},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${HOME_PAGE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "HelpLink" "${HOME_PAGE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  ; Run in place, so that whoever starts it can wait for the end.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S _?=$INSTDIR'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; EstimatedSize is in KiB: the screen saver plus the program folder.
  ${GetSize} "$SYSDIR" "/M=flindra.scr /S=0K /G=0" $0 $1 $2
  ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
  IntOp $0 $0 + $1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Use Flindra as my screen saver" SecActivate
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "${SAVER}"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  !insertmacro AnnounceScreenSaver 1
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "flindra.scr in the system directory, and an uninstaller."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecActivate} "Make Flindra the screen saver of the current user."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  SetRegView 64
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOACTIVATE" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecActivate}
  ${EndIf}
FunctionEnd

Section "un.Flindra screen saver" SecUnProgram
  SectionIn RO
  SetRegView 64
  retry:
  Push "${SAVER}"
  Call un.MoveAside
  ${If} ${Errors}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${SAVER} is in use, so it cannot be removed.$\r$\n$\r$\nClose Flindra (the screen saver, its settings, or Screen Saver Settings with its preview), then click Retry. Cancel leaves Flindra installed." /SD IDCANCEL IDRETRY retry
    Abort "${SAVER} is in use; Flindra stays installed."
  ${EndIf}
  ; The screen saver goes back to none only when it is still ours.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${GetFileName} $0 $1
  ${GetParent} $0 $2
  ${If} $1 == "flindra.scr"
  ${AndIf} $2 == "$SYSDIR"
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    !insertmacro AnnounceScreenSaver 0
  ${EndIf}
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\README.txt"
  ; Run in place (_?=), this uninstaller is the running file and holds it
  ; open: it and its folder then go at the next restart.
  Delete /REBOOTOK "$INSTDIR\uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Remove my Flindra settings" SecUnSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUnProgram} "flindra.scr, its uninstaller and its Apps and Features entry."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecUnSettings} "Also delete the saved settings in HKEY_CURRENT_USER\Software\Flindra."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
  SetRegView 64
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecUnSettings}
  ${EndIf}
FunctionEnd

; Removing frees space rather than needing it: no "Space required" line.
Function un.HideSpaceRequired
  FindWindow $0 "#32770" "" $HWNDPARENT
  GetDlgItem $0 $0 1023
  ShowWindow $0 ${SW_HIDE}
FunctionEnd
