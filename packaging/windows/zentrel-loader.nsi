; The Windows installer: the program in Program Files, a Start-menu entry,
; and an uninstaller that takes the program away and leaves the operator's
; data (%APPDATA%\zentrel-loader) alone. scripts/package-windows passes
; VERSION, STAGE (the folder the zip is made from), ICON and OUT.
; A 64-bit installer, as the program is: it runs where a 32-bit one may not
; (a 64-bit-only Wine), and sees the 64-bit Program Files and registry.
Target amd64-unicode
!include "MUI2.nsh"

!define NAME "Zentrel Loader"
!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\zentrel-loader"

Name "${NAME} ${VERSION}"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES64\zentrel-loader"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "Install"
  SetOutPath "$INSTDIR"
  File "${STAGE}\zentrel-loader.exe"
  File "${STAGE}\*.dll"
  File "${STAGE}\README.txt"
  File /oname=zentrel-loader.ico "${ICON}"
  SetOutPath "$INSTDIR\platforms"
  File "${STAGE}\platforms\*.dll"
  SetOutPath "$INSTDIR\styles"
  File "${STAGE}\styles\*.dll"
  ; The shipped database as a seed: no Data.mdb beside the program tells it
  ; that it is installed, and its first start copies this to %APPDATA%.
  SetOutPath "$INSTDIR\seed"
  File "${STAGE}\Data.mdb"
  SetOutPath "$INSTDIR"

  CreateShortCut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\zentrel-loader.exe" "" "$INSTDIR\zentrel-loader.ico" 0
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKLM "${KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${KEY}" "DisplayIcon" "$INSTDIR\zentrel-loader.ico"
  WriteRegStr HKLM "${KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${KEY}" "NoRepair" 1
SectionEnd

; Only what the installer put there; the operator's data is elsewhere.
Section "Uninstall"
  Delete "$SMPROGRAMS\${NAME}.lnk"
  Delete "$INSTDIR\seed\Data.mdb"
  RMDir "$INSTDIR\seed"
  Delete "$INSTDIR\platforms\*.dll"
  RMDir "$INSTDIR\platforms"
  Delete "$INSTDIR\styles\*.dll"
  RMDir "$INSTDIR\styles"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\zentrel-loader.exe"
  Delete "$INSTDIR\zentrel-loader.ico"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${KEY}"
SectionEnd
