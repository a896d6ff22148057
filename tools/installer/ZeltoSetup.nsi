; The setup program of Zelto Activator (ZeltoSetup.exe): installs the programs, the shell extension
; and two test pictures, writes the settings that none of the programs writes, lets the local Users
; group change the settings, and takes all of it away again but the captured pictures.
;
; Built by CMake (tools/installer/CMakeLists.txt), which defines:
;   BIN_DIR      the folder of the built programs
;   IMAGE_DIR    the folder of Left.bmp and Right.bmp
;   ICON         the product's icon
;   OUT_FILE     the setup program to write

Unicode true
; The default x86 installer does nothing on a 64-bit-only system; the programs are 64-bit.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Zelto Activator"
!define MAKER "Korva Corporation"
!define SETTINGS_KEY "Software\${MAKER}\${PRODUCT}"
!define VERSION_KEY "${SETTINGS_KEY}\1.0"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define PAGER_CLSID "{6084E61D-468A-4997-8553-161AD57781A9}"
!define PAGER_PROGID "ZeltoPager.1"
!define CAPTURE_FOLDER "Zelto Captures"
; BUILTIN\Users may read and write the settings key and every key below it (KEY_READ | KEY_WRITE);
; SYSTEM and the Administrators keep full control.
!define SETTINGS_DACL "D:(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;0x2001f;;;BU)"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${MAKER}"

VIProductVersion "1.0.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${MAKER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "1.0"
VIAddVersionKey "ProductVersion" "1.0"
VIAddVersionKey "LegalCopyright" "Copyright ${MAKER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEPAGE_TEXT "Setup will install ${PRODUCT}: the Activator, its keyboard hook, the viewer of captured pictures and the $\"${PRODUCT}$\" page of the Properties of every file.$\r$\n$\r$\nThe settings of ${PRODUCT} are kept for the whole computer. So that every user can save hotkeys and capture settings, Setup allows the local Users group to change them.$\r$\n$\r$\nClick Next to continue."
!define MUI_FINISHPAGE_TEXT "${PRODUCT} has been installed. Start it from the Start menu; it lives in the notification area.$\r$\n$\r$\nMembers of the local Users group may now change the settings of ${PRODUCT}."

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Asks a running Activator to end, as its property page does (a posted WM_DESTROY), and waits up to
; ten seconds for its window to go, so that its files can be replaced or removed.
!macro EndRunningActivator
  FindWindow $0 "#32770" "${PRODUCT}"
  ${If} $0 <> 0
    DetailPrint "Ending the running ${PRODUCT} ..."
    System::Call 'user32::PostMessageW(p r0, i 2, p 0, p 0)'
    StrCpy $1 0
    ${Do}
      Sleep 100
      IntOp $1 $1 + 1
      FindWindow $0 "#32770" "${PRODUCT}"
      ${IfThen} $0 = 0 ${|} ${ExitDo} ${|}
    ${LoopUntil} $1 >= 100
  ${EndIf}
!macroend

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

; Gives the settings key the DACL above; keys created below it later inherit the Users entry, and
; Windows passes it on to the keys that exist already.
Function GrantUsersWriteAccess
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${SETTINGS_DACL}", i 1, *p .r1, p 0) i .r0'
  ${If} $0 = 0
    DetailPrint "Could not build the access rules for the settings."
    Return
  ${EndIf}
  System::Call 'advapi32::GetSecurityDescriptorDacl(p r1, *i .r2, *p .r3, *i .r4) i .r0'
  ${If} $0 <> 0
    ; SE_REGISTRY_KEY 4; DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION
    System::Call 'advapi32::SetNamedSecurityInfoW(w "MACHINE\${SETTINGS_KEY}", i 4, i 0x20000004, p 0, p 0, p r3, p 0) i .r0'
    ${If} $0 = 0
      DetailPrint "The local Users group may now change the settings of ${PRODUCT} (hotkeys and capture settings)."
    ${Else}
      DetailPrint "Could not allow the local Users group to change the settings (error $0)."
    ${EndIf}
  ${EndIf}
  System::Call 'kernel32::LocalFree(p r1)'
FunctionEnd

Section "Install"
  !insertmacro EndRunningActivator

  SetOutPath "$INSTDIR"
  File "${BIN_DIR}/Zelto.exe"
  File "${BIN_DIR}/ZeltoKey.dll"
  File "${BIN_DIR}/ZeltoViewer.exe"
  File "${BIN_DIR}/ZeltoPager.dll"
  SetOutPath "$INSTDIR\Images"
  File "${IMAGE_DIR}/Left.bmp"
  File "${IMAGE_DIR}/Right.bmp"
  SetOutPath "$INSTDIR"

  ; The settings key first, with its access rules, so that every key below inherits them.
  WriteRegStr HKLM "${SETTINGS_KEY}" "Current Version" "1.0"
  Call GrantUsersWriteAccess
  WriteRegStr HKLM "${VERSION_KEY}\Dir" "Zelto Activator PathName" "$INSTDIR\Zelto.exe"
  WriteRegStr HKLM "${VERSION_KEY}\Dir" "Default Left Image" "$INSTDIR\Images\Left.bmp"
  WriteRegStr HKLM "${VERSION_KEY}\Dir" "Default Right Image" "$INSTDIR\Images\Right.bmp"
  ; Captured pictures go where every user may write; they stay when the product is removed.
  CreateDirectory "$PICTURES\${CAPTURE_FOLDER}"
  WriteRegStr HKLM "${VERSION_KEY}\Capture" "Default Dir" "$PICTURES\${CAPTURE_FOLDER}\"
  WriteRegStr HKLM "${VERSION_KEY}\Capture" "Default Name" "Captur"

  ClearErrors
  RegDLL "$INSTDIR\ZeltoPager.dll"
  ${If} ${Errors}
    DetailPrint "Could not register the property page of ${PRODUCT}."
  ${EndIf}

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Zelto Activator.lnk" "$INSTDIR\Zelto.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Zelto Viewer.lnk" "$INSTDIR\ZeltoViewer.exe"

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "1.0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Zelto.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\Uninstall.exe$\""
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\Uninstall.exe$\" /S"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  !insertmacro EndRunningActivator

  UnRegDLL "$INSTDIR\ZeltoPager.dll"
  ; The same keys again, should the library not have loaded.
  DeleteRegKey HKCR "${PAGER_PROGID}"
  DeleteRegKey HKCR "CLSID\${PAGER_CLSID}"
  DeleteRegKey HKCR "*\shellex\ContextMenuHandlers\${PAGER_PROGID}"
  DeleteRegKey HKCR "*\shellex\PropertySheetHandlers\${PAGER_PROGID}"

  ; A library still mapped by a program (the shell, a program the hook reached) goes at the next start.
  Delete /REBOOTOK "$INSTDIR\ZeltoPager.dll"
  Delete /REBOOTOK "$INSTDIR\ZeltoKey.dll"
  Delete "$INSTDIR\Zelto.exe"
  Delete "$INSTDIR\ZeltoViewer.exe"
  Delete "$INSTDIR\Images\Left.bmp"
  Delete "$INSTDIR\Images\Right.bmp"
  RMDir "$INSTDIR\Images"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"

  Delete "$SMPROGRAMS\${PRODUCT}\Zelto Activator.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Zelto Viewer.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  ; The capture folder only when no picture is left in it.
  RMDir "$PICTURES\${CAPTURE_FOLDER}"

  DeleteRegKey HKLM "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKLM "Software\${MAKER}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
