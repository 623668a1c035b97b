; Flindra's Windows installer: a 64-bit NSIS installer that puts flindra.scr
; in the system directory, registers an uninstaller and, unless told not to,
; makes Flindra the user's screen saver.
;
; Built by scripts/make-release:
;   makensis -DVERSION=1.0.0 -DHOME_PAGE=https://... -DSCR=flindra.scr \
;            -DPLUGIN_DIR=folder-with-flindra_setup.dll -DICON_FILE=flindra.ico -DLICENSE_FILE=LICENSE -DREADME_FILE=README.txt \
;            -DOUTFILE=flindra-1.0.0-setup.exe flindra.nsi
;
; Command line of the installer:
;   /S             silent install; Flindra becomes the screen saver
;   /NOACTIVATE    leave the current screen saver as it is
;   /D=FOLDER      the uninstaller's folder (last, unquoted); without it, the
;                  folder of the installed Flindra, else Program Files\Flindra
; Command line of the uninstaller:
;   /S             silent uninstall; the settings in HKCU\Software\Flindra stay
;   /REMOVESETTINGS  remove those settings too
;   _?=FOLDER      run in place and return only when done (NSIS otherwise
;                  starts a copy of itself in %TEMP% and returns at once)
; Exit codes of both (silent or not):
;   0  done
;   1  cancelled by the user
;   2  flindra.scr is in use and could not be replaced or removed; nothing
;      was changed
;   3  (setup) a newer Flindra is installed; nothing was changed
;   4  no administrator rights; nothing was changed
;   5  (setup) the folder holds files that are not Flindra's; nothing was
;      changed
; A caller without administrator rights never sees 4 while UAC is on: the
; start itself fails, with 740 (elevation required) from CreateProcess or
; 1223 when the user declines the prompt (README.md, "Exit codes").

!macro RequireDefine NAME
  !ifndef ${NAME}
    !error "flindra.nsi needs -D${NAME}=... (scripts/make-release passes VERSION, HOME_PAGE, SCR, PLUGIN_DIR, ICON_FILE, LICENSE_FILE, README_FILE and OUTFILE)"
  !endif
!macroend
!insertmacro RequireDefine VERSION
!insertmacro RequireDefine HOME_PAGE
!insertmacro RequireDefine SCR
!insertmacro RequireDefine PLUGIN_DIR
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
; flindra_setup.dll, built with flindra.scr.
!addplugindir /amd64-unicode "${PLUGIN_DIR}"

!define PRODUCT "Flindra"
!define PUBLISHER "The Flindra authors"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Flindra"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SETTINGS_KEY "Software\Flindra"
!define SAVER "$SYSDIR\flindra.scr"
!define EXIT_NEWER_INSTALLED 3
!define EXIT_NOT_ADMIN 4
!define EXIT_FOREIGN_FOLDER 5

Name "${PRODUCT} ${VERSION}"
Caption "${PRODUCT} ${VERSION} Setup"
UninstallCaption "${PRODUCT} ${VERSION} Uninstall"
BrandingText "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; An upgrade goes where the installed Flindra is; /D= still decides.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

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
!include WordFunc.nsh

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
; The link to the home page is added by ShowFinishPage, which opens it as
; the user rather than as the administrator setup runs as.
!define MUI_PAGE_CUSTOMFUNCTION_SHOW ShowFinishPage
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_TEXT_TOP "Your Flindra settings (speed, size, colours) stay unless you tick the box below."
!define MUI_PAGE_CUSTOMFUNCTION_SHOW un.HideSpaceRequired
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; The folder of the Flindra installed before this setup, if any.
Var PreviousFolder

; ---- Replacing and removing a file that may be in use ----------------------
; A running flindra.scr (full screen, settings, or the preview that runs while
; Screen Saver Settings is open) keeps its file from being written or
; deleted, but not from being renamed. Neither direction ever leaves a pending
; delete on flindra.scr itself, which a restart would carry out on a later
; install.

!define SPI_SETSCREENSAVEACTIVE 0x0011
!define SPIF_UPDATEINIFILE_SENDCHANGE 3
!define MOVEFILE_DELAY_UNTIL_REBOOT 4
!define SMTO_ABORTIFHUNG 2

; FreeOldName FILE: pushes the first FILE.N.old (N = 1 to 9, a name Screen
; Saver Settings does not list) that is free, deleting a copy an earlier run
; left there if it can; "" when none is.
!macro FreeOldNameFunction UN
Function ${UN}FreeOldName
  Exch $0
  Push $1
  ${For} $1 1 9
    Delete "$0.$1.old"
    ${IfNot} ${FileExists} "$0.$1.old"
      StrCpy $0 "$0.$1.old"
      Goto found
    ${EndIf}
  ${Next}
  StrCpy $0 ""
  found:
  Pop $1
  Exch $0
FunctionEnd
!macroend
!insertmacro FreeOldNameFunction ""
!insertmacro FreeOldNameFunction "un."

; DeleteNowOrAtRestart FILE: a copy moved aside goes now, or, while a program
; still runs it, at the next restart. Nobody is asked to restart for it.
!macro DeleteNowOrAtRestart FILE
  Delete "${FILE}"
  ${If} ${FileExists} "${FILE}"
    Delete /REBOOTOK "${FILE}"
    SetRebootFlag false
  ${EndIf}
!macroend

; PutInPlace FILE: replaces FILE with FILE.new. The old FILE is renamed aside
; first, then FILE.new takes its name, with a few tries over two seconds (a
; virus scanner may be reading it); when that fails, the old FILE goes back,
; so that there is always a saver. Sets the error flag when FILE.new did not
; take its place.
Function PutInPlace
  Exch $0
  Push $1
  Push $2
  StrCpy $1 ""  ; where the old FILE went
  ${If} ${FileExists} $0
    Push $0
    Call FreeOldName
    Pop $1
    ${If} $1 == ""
      Goto failed
    ${EndIf}
    ClearErrors
    Rename $0 $1
    ${If} ${Errors}
      Goto failed
    ${EndIf}
  ${EndIf}
  ${For} $2 1 20
    ClearErrors
    Rename "$0.new" $0
    ${IfNot} ${Errors}
      ${If} $1 != ""
        !insertmacro DeleteNowOrAtRestart $1
      ${EndIf}
      ClearErrors
      Goto done
    ${EndIf}
    Sleep 100
  ${Next}
  ${If} $1 != ""
    Rename $1 $0
  ${EndIf}
  failed:
  SetErrors
  done:
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; un.MoveAside FILE: deletes FILE or, while a program runs it, renames it to
; a free FILE.N.old that goes at the next restart. Sets the error flag when
; FILE is still there.
Function un.MoveAside
  Exch $0
  Push $1
  Delete $0
  ${If} ${FileExists} $0
    Push $0
    Call un.FreeOldName
    Pop $1
    ${If} $1 != ""
      Rename $0 $1
      !insertmacro DeleteNowOrAtRestart $1
    ${EndIf}
  ${EndIf}
  ClearErrors
  ${If} ${FileExists} $0
    SetErrors
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; un.RemoveSelf: deletes the uninstaller and its folder. Run in place (_?=),
; the uninstaller is the running program and keeps its own file open, which
; can then be neither deleted nor renamed: it and the folder, empty but for
; it, go at the next restart. A later install takes those two deletes back.
Function un.RemoveSelf
  Delete "$INSTDIR\uninstall.exe"
  ; The folder cannot go while it is the current one.
  SetOutPath $TEMP
  RMDir "$INSTDIR"
  ${If} ${FileExists} "$INSTDIR\uninstall.exe"
    Delete /REBOOTOK "$INSTDIR\uninstall.exe"
    ; Named without a final backslash, the way Windows documents a folder
    ; to remove at restart.
    System::Call 'kernel32::MoveFileExW(w "$INSTDIR", p 0, i ${MOVEFILE_DELAY_UNTIL_REBOOT})'
    SetRebootFlag false
  ${EndIf}
FunctionEnd

; Tells running programs that the screen saver was switched on; Windows
; writes ScreenSaveActive itself.
!macro AnnounceScreenSaverOn
  System::Call 'user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_UPDATEINIFILE_SENDCHANGE})'
!macroend

; Tells running programs that a setting under Control Panel\Desktop changed,
; as an application does (no SPI_ code), without switching anything off.
!macro AnnounceDesktopChange
  System::Call 'user32::SendMessageTimeoutW(p ${HWND_BROADCAST}, i ${WM_SETTINGCHANGE}, p 0, w "Desktop", i ${SMTO_ABORTIFHUNG}, i 5000, p 0)'
!macroend

; un.LongPath PATH: PATH with its long names (C:\PROGRA~1 is C:\Program
; Files), or as it is when it does not exist.
Function un.LongPath
  Exch $0
  Push $1
  Push $2
  System::Call 'kernel32::GetLongPathNameW(w r0, w .r1, i ${NSIS_MAX_STRLEN}) i .r2'
  ${If} $2 > 0
  ${AndIf} $2 < ${NSIS_MAX_STRLEN}
    StrCpy $0 $1
  ${EndIf}
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; un.BlankWhereFlindraWas: every account whose screen saver is Flindra gets
; Windows' own Blank (scrnsave.scr) instead. A screen saver that names a
; missing file runs nothing, and then the wait and "On resume, display logon
; screen" lock nothing; Blank keeps both as they were. Every loaded hive is
; looked at: this account, every signed-in user (the one who started setup
; among them) and the logon screen's. Accounts not signed in are not loaded.
Function un.BlankWhereFlindraWas
  Push $0  ; index among the loaded hives
  Push $1  ; the hive
  Push $2  ; its screen saver
  Push $3  ; the system directory, long
  Push $4  ; accounts changed
  Push $R0
  Push $SYSDIR
  Call un.LongPath
  Pop $3
  StrCpy $4 0
  StrCpy $0 0
  ${Do}
    ClearErrors
    EnumRegKey $1 HKU "" $0
    ${If} ${Errors}
    ${OrIf} $1 == ""
      ${ExitDo}
    ${EndIf}
    IntOp $0 $0 + 1
    ReadRegStr $2 HKU "$1\${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ExpandEnvStrings $2 $2
    ${GetFileName} $2 $R0
    ${If} $R0 != "flindra.scr"
      ${Continue}
    ${EndIf}
    ${GetParent} $2 $R0
    Push $R0
    Call un.LongPath
    Pop $R0
    ${If} $R0 == $3
      WriteRegStr HKU "$1\${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\scrnsave.scr"
      IntOp $4 $4 + 1
    ${EndIf}
  ${Loop}
  ${If} $4 > 0
    !insertmacro AnnounceDesktopChange
  ${EndIf}
  Pop $R0
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Administrator rights: setup and uninstall write to the system directory
; and HKLM. Ends with exit code 4, and says so unless silent.
!macro RequireAdmin UN
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} ${UN}needs administrator rights: it puts flindra.scr in the Windows system directory and adds it to Apps and Features.$\r$\n$\r$\nRun it again from an account with administrator rights, or ask an administrator to run it." /SD IDOK
    SetErrorLevel ${EXIT_NOT_ADMIN}
    Quit
  ${EndIf}
!macroend

; Opens the home page as the user who is signed in. Setup runs elevated; a
; browser it started would too. Explorer started with an address passes it
; to the shell that already runs for the signed-in user, which opens it in
; the user's browser with the user's rights.
Function OpenHomePage
  Exec '"$WINDIR\explorer.exe" "${HOME_PAGE}"'
FunctionEnd

; The finish page's link, where MUI's own would be.
Function ShowFinishPage
  ${NSD_CreateLink} 120u 175u 195u 10u "Flindra's home page"
  Pop $0
  SetCtlColors $0 "000080" "${MUI_BGCOLOR}"
  ${NSD_OnClick} $0 OpenHomePage
FunctionEnd

Section "Flindra screen saver" SecProgram
  SectionIn RO
  SetRegView 64
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
    Call PutInPlace
    ${IfNot} ${Errors}
      Goto placed
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
  ; What an older uninstaller left for the next restart, taken back only now
  ; that the new files are in place: a setup that ends before this (exit 2)
  ; leaves the restart's list as it was.
  flindra_setup::CancelPendingRemoval "${SAVER}" "$INSTDIR\uninstall.exe" "$INSTDIR"
  Call RemovePreviousFolder

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
  !insertmacro AnnounceScreenSaverOn
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "flindra.scr in the system directory, and an uninstaller."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecActivate} "Make Flindra the screen saver of the current user."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; RemovePreviousFolder: Flindra's files in the folder of the Flindra
; installed before, when this setup put them elsewhere (/D=), so that no
; uninstaller is left without its entry.
Function RemovePreviousFolder
  ${If} $PreviousFolder == ""
    Return
  ${EndIf}
  flindra_setup::SameFile "$PreviousFolder" "$INSTDIR"
  Pop $0
  ${If} $0 == 1
    Return
  ${EndIf}
  flindra_setup::ExamineFolder "$PreviousFolder" "${PRODUCT}" "${PUBLISHER}"
  Pop $0
  ${If} $0 == "flindra"
    Delete "$PreviousFolder\LICENSE.txt"
    Delete "$PreviousFolder\README.txt"
    Delete "$PreviousFolder\uninstall.exe"
    RMDir "$PreviousFolder"
  ${EndIf}
FunctionEnd

Function .onInit
  SetRegView 64
  !insertmacro RequireAdmin "Setup "
  ; An older release never silently replaces a newer one.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $0 != ""
    ${VersionCompare} $0 "${VERSION}" $1
    ${If} $1 = 1
      MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "${PRODUCT} $0 is installed, which is newer than the ${VERSION} this Setup brings.$\r$\n$\r$\nReplace it with the older ${VERSION}?" /SD IDNO IDYES older
      SetErrorLevel ${EXIT_NEWER_INSTALLED}
      Quit
      older:
    ${EndIf}
  ${EndIf}
  ; The folder (from /D=, else the installed Flindra's): setup neither writes
  ; over another program's files nor leaves them to Flindra's uninstaller.
  ReadRegStr $PreviousFolder HKLM "${UNINSTALL_KEY}" "InstallLocation"
  flindra_setup::ExamineFolder "$INSTDIR" "${PRODUCT}" "${PUBLISHER}"
  Pop $0
  ${If} $0 == "foreign"
    MessageBox MB_OK|MB_ICONSTOP "$INSTDIR holds files that are not Flindra's.$\r$\n$\r$\nChoose a new or empty folder for Flindra (/D=...), or leave /D= out." /SD IDOK
    SetErrorLevel ${EXIT_FOREIGN_FOLDER}
    Quit
  ${EndIf}
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
  Call un.BlankWhereFlindraWas
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\README.txt"
  Call un.RemoveSelf
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; Started without _?= (as Apps and Features does), this is NSIS's copy in
  ; a folder of its own under %TEMP%, which NSIS has Windows delete at the
  ; restart, but the folder before the file in it, so the folder would stay.
  ; Named again after the file, it goes.
  Push $EXEDIR
  Call un.LongPath
  Pop $0
  Push $INSTDIR
  Call un.LongPath
  Pop $1
  ${If} $0 != $1
    System::Call 'kernel32::MoveFileExW(w "$EXEDIR", p 0, i ${MOVEFILE_DELAY_UNTIL_REBOOT})'
  ${EndIf}
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
  !insertmacro RequireAdmin "Uninstall "
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
