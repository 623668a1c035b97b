; Flindra's Windows installer: a 64-bit NSIS installer that puts flindra.scr
; in the system directory, registers an uninstaller and, unless told not to,
; makes Flindra the user's screen saver.
;
; Built by scripts/make-release:
;   makensis -DVERSION=1.0.0 -DSCR=flindra.scr -DLICENSE_FILE=LICENSE \
;            -DREADME_FILE=README.txt -DOUTFILE=flindra-1.0.0-setup.exe flindra.nsi
;
; Command line of the installer:
;   /S             silent install; Flindra becomes the screen saver
;   /NOACTIVATE    leave the current screen saver as it is
; Command line of the uninstaller:
;   /S             silent uninstall; the settings in HKCU\Software\Flindra stay
;   /REMOVESETTINGS  remove those settings too

!macro RequireDefine NAME
  !ifndef ${NAME}
    !error "flindra.nsi needs -D${NAME}=... (scripts/make-release passes VERSION, SCR, LICENSE_FILE, README_FILE and OUTFILE)"
  !endif
!macroend
!insertmacro RequireDefine VERSION
!insertmacro RequireDefine SCR
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

!define MUI_ICON "${NSISDIR}\Contrib\Graphics\Icons\modern-install.ico"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC

!define MUI_WELCOMEPAGE_TITLE "Welcome to ${PRODUCT} ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "Flindra is a screen saver: six-armed crystal flakes falling through 3-D space.$\r$\n$\r$\nThis installs flindra.scr in the Windows system directory, where the Screen Saver Settings list finds it, and can make it your screen saver.$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
!define MUI_LICENSEPAGE_TEXT_TOP "Flindra is free software under the MIT licence."
!define MUI_LICENSEPAGE_TEXT_BOTTOM "You may use, copy and share Flindra under these terms. Click I Agree to continue."
!insertmacro MUI_PAGE_LICENSE "${LICENSE_FILE}"
!define MUI_COMPONENTSPAGE_TEXT_TOP "Flindra itself is always installed. Choose whether it becomes your screen saver now."
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "${PRODUCT} ${VERSION} is installed"
!define MUI_FINISHPAGE_TEXT "Flindra is in the Screen Saver Settings list (search the Start menu for $\"screen saver$\"); its Settings button opens Flindra's own sliders.$\r$\n$\r$\nTo remove it, use Apps and Features (Installed apps) in Windows Settings."
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_TEXT_TOP "Your Flindra settings (speed, size, colours) stay unless you tick the box below."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Section "Flindra screen saver" SecProgram
  SectionIn RO
  SetRegView 64
  SetOutPath "$SYSDIR"
  File "/oname=flindra.scr" "${SCR}"
  SetOutPath "$INSTDIR"
  File "/oname=LICENSE.txt" "${LICENSE_FILE}"
  File "/oname=README.txt" "${README_FILE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; One entry in Apps and Features; an install over an older one rewrites it.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} screen saver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\flindra.scr,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; EstimatedSize is in KiB: the screen saver plus the program folder.
  ${GetSize} "$SYSDIR" "/M=flindra.scr /S=0K /G=0" $0 $1 $2
  ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
  IntOp $0 $0 + $1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Use Flindra as my screen saver" SecActivate
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\flindra.scr"
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
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
  Delete /REBOOTOK "$SYSDIR\flindra.scr"
  ; The screen saver goes back to none only when it is still ours.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${GetFileName} $0 $1
  ${GetParent} $0 $2
  ${If} $1 == "flindra.scr"
  ${AndIf} $2 == "$SYSDIR"
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${EndIf}
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
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
