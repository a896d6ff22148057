; The setup program of Zelto Activator (ZeltoSetup.exe): installs the programs, the shell extension
; and two test pictures, writes the settings that none of the programs writes and the machine's
; defaults of the capture settings, offers the viewer in Explorer's "Open with" for stereo pictures,
; starts the Activator at every user's logon unless told not to, and takes all of it away again but
; the captured pictures. Each user's own choices (hotkeys, colour codes, test pictures, capture
; settings, the controller's monitor) live in that user's registry (HKEY_CURRENT_USER) and stay when
; the product is removed.
;
; The install folder and the machine's settings belong to the administrators: before Setup copies a
; file or writes a setting, its guard (SetupGuard.exe, tools/installer/SetupGuard.cpp) makes the
; folder and every key of the settings tree the administrators' (owner and access rules, links in the
; tree deleted), and vets the values that an earlier version let others change. Its lines appear
; under "Show details"; where it cannot do its work, Setup stops before it has changed anything else.
;
; Files in use (the shell keeps the page's library loaded, a program the keyboard hook reached keeps
; the hook library) are replaced, or removed, when Windows restarts. So is a file that an operation
; still waiting for the restart names (an earlier uninstallation's deletion, say): the new file goes
; beside it and is renamed into place after that operation. Setup and the uninstaller then say so on
; their last page and, run silently, end with exit code 3010 (ERROR_SUCCESS_REBOOT_REQUIRED). While
; the Activator or one of its libraries waits for the restart, Setup does not start the Activator.
;
; Built by CMake (tools/installer/CMakeLists.txt), which defines:
;   BIN_DIR      the folder of the built programs and of SetupGuard.exe
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
!include "Sections.nsh"

!define PRODUCT "Zelto Activator"
!define MAKER "Korva Corporation"
!define SETTINGS_KEY "Software\${MAKER}\${PRODUCT}"
!define VERSION_KEY "${SETTINGS_KEY}\1.0"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define PAGER_CLSID "{6084E61D-468A-4997-8553-161AD57781A9}"
!define PAGER_PROGID "ZeltoPager.1"
; The folder that earlier versions made every user's capture folder, in the public Pictures.
!define CAPTURE_FOLDER "Zelto Captures"
; The viewer in "Open with" of the stereo picture types, which stay with whatever program opens them
; by default: a programmatic identifier listed in each type's OpenWithProgids, and the program's own
; entry with the types it supports.
!define VIEWER_PROGID "ZeltoViewer.StereoPicture"
!define VIEWER_APPLICATION "Software\Classes\Applications\ZeltoViewer.exe"
!define VIEWER_COMMAND '"$INSTDIR\ZeltoViewer.exe" "%1"'
; SHCNE_ASSOCCHANGED: Explorer reads the file types again.
!define SHCNE_ASSOCCHANGED 0x08000000
; The Activator starts at every user's logon from the machine's Run key.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SESSION_MANAGER "System\CurrentControlSet\Control\Session Manager"
; The Activator's main window, by which Setup finds a running Activator and which it records for the
; page: a dialog titled with the product's name.
!define ACTIVATOR_CLASS "#32770"
; Windows' exit code for "succeeded, restart to complete".
!define EXIT_RESTART_NEEDED 3010

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

; 1 when Setup ended a running Activator, which it then starts again.
Var ActivatorWasRunning
; 1 when the Activator or one of its libraries waits for the restart: the Activator is not started
; before it, which would pair a new program with an old library or the other way round.
Var ActivatorWaits
; What the finish page says about the Activator's next start, after a blank line; empty when nothing.
Var StartNote

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEPAGE_TEXT "Setup will install ${PRODUCT}: the Activator, its keyboard hook, the viewer of captured pictures and the $\"${PRODUCT}$\" page of the Properties of every file.$\r$\n$\r$\nEvery user's hotkeys, colour codes, test pictures and capture folder are that user's own. The settings that Setup writes for the whole computer are every user's defaults; only administrators may change them.$\r$\n$\r$\nClick Next to continue."
!define MUI_FINISHPAGE_TEXT "${PRODUCT} has been installed. It lives in the notification area.$StartNote"
!define MUI_FINISHPAGE_TEXT_REBOOT "${PRODUCT} has been installed, but some of its files were in use (Setup lists them under Show details). They will be replaced when Windows restarts; until then the programs that use them keep the earlier version.$StartNote "
!define MUI_COMPONENTSPAGE_NODESC
; The details stay on screen until Next, where they say which files wait for the restart and when the
; Activator starts; the finish page has room for its longer texts.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_UNFINISHPAGE_NOAUTOCLOSE
!define MUI_FINISHPAGE_TEXT_LARGE

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT_REBOOT "${PRODUCT} has been removed, but some of its files were in use (listed under Show details). They will be deleted when Windows restarts.$\r$\n$\r$\nRestart now?"
!insertmacro MUI_UNPAGE_FINISH
!insertmacro MUI_LANGUAGE "English"

; Asks a running Activator to end, as its property page does (a posted WM_DESTROY), and waits up to
; ten seconds for its window to go, so that its files can be replaced or removed. $0 is then 1 when an
; Activator was running, else 0.
!macro EndRunningActivator
  StrCpy $2 0
  FindWindow $0 "${ACTIVATOR_CLASS}" "${PRODUCT}"
  ${If} $0 <> 0
    StrCpy $2 1
    DetailPrint "Ending the running ${PRODUCT} ..."
    System::Call 'user32::PostMessageW(p r0, i 2, p 0, p 0)'
    StrCpy $1 0
    ${Do}
      Sleep 100
      IntOp $1 $1 + 1
      FindWindow $0 "${ACTIVATOR_CLASS}" "${PRODUCT}"
      ${IfThen} $0 = 0 ${|} ${ExitDo} ${|}
    ${LoopUntil} $1 >= 100
    ; The programs the keyboard hook reached let go of its library when they next handle a message.
    System::Call 'user32::SendMessageTimeoutW(p 0xffff, i 0, p 0, p 0, i 2, i 1000, *p .r1)'
  ${EndIf}
  StrCpy $0 $2
!macroend

; Pushes 1 when an operation that waits for the restart names the file given on the stack (as the
; file to rename or delete, or as the new name), else 0. $0 to $3 are kept.
Function FileWaitsForRestart
  Exch $R1
  Push $R0
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $R0 0
  ; HKEY_LOCAL_MACHINE; RRF_RT_REG_MULTI_SZ. The size first, then the strings, each "\??\<path>", a new
  ; name marked "!" when it replaces a file, an empty new name for a deletion.
  StrCpy $1 0
  System::Call 'advapi32::RegGetValueW(p 0x80000002, w "${SESSION_MANAGER}", w "PendingFileRenameOperations", i 0x20, p 0, p 0, *i r1 r1) i .r0'
  ${If} $0 = 0
  ${AndIf} $1 > 0
    System::Alloc $1
    Pop $2
    System::Call 'advapi32::RegGetValueW(p 0x80000002, w "${SESSION_MANAGER}", w "PendingFileRenameOperations", i 0x20, p 0, p r2, *i r1 r1) i .r0'
    ${If} $0 = 0
      IntPtrOp $1 $2 + $1
      StrCpy $3 $2
      ${DoWhile} $3 P< $1
        System::Call 'kernel32::lstrcmpiW(p r3, w "\??\$R1") i .r0'
        ${IfThen} $0 = 0 ${|} StrCpy $R0 1 ${|}
        System::Call 'kernel32::lstrcmpiW(p r3, w "!\??\$R1") i .r0'
        ${IfThen} $0 = 0 ${|} StrCpy $R0 1 ${|}
        System::Call 'kernel32::lstrlenW(p r3) i .r0'
        IntOp $0 $0 + 1
        IntOp $0 $0 * 2
        IntPtrOp $3 $3 + $0
      ${Loop}
    ${EndIf}
    System::Free $2
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
  Exch $R0
  Exch
  Pop $R1
FunctionEnd

; Installs one file of the build. A file that a program still has loaded cannot be written, and one
; that an operation waiting for the restart names must not be: that operation would undo the new file
; (an earlier uninstallation's deletion would remove it). The new file then goes beside it, and a
; rename queued after what waits already puts it in place when Windows restarts (which sets the
; restart flag). PART_OF_ACTIVATOR is 1 for the Activator and its libraries.
!macro InstallDeliverable NAME PART_OF_ACTIVATOR
  Push "$INSTDIR\${NAME}"
  Call FileWaitsForRestart
  Pop $0
  ${If} $0 = 0
    SetOverwrite try
    ClearErrors
    File "${BIN_DIR}/${NAME}"
    SetOverwrite on
    ${IfThen} ${Errors} ${|} StrCpy $0 1 ${|}
  ${EndIf}
  ${If} $0 = 1
    File "/oname=${NAME}.new" "${BIN_DIR}/${NAME}"
    ; MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT: never at once, always after the rest.
    System::Call 'kernel32::MoveFileExW(w "$INSTDIR\${NAME}.new", w "$INSTDIR\${NAME}", i 5) i .r0'
    ${If} $0 = 0
      DetailPrint "Could not have $INSTDIR\${NAME} replaced when Windows restarts."
    ${EndIf}
    SetRebootFlag true
    ${IfThen} ${PART_OF_ACTIVATOR} = 1 ${|} StrCpy $ActivatorWaits 1 ${|}
    DetailPrint "$INSTDIR\${NAME} is in use or waits for the restart: it will be replaced when Windows restarts."
  ${EndIf}
!macroend

; Removes one installed file; a file in use goes when Windows restarts. A newer copy still waiting to
; take its place at the restart goes at once, so that the restart does not bring the file back.
!macro RemoveDeliverable NAME
  Delete "$INSTDIR\${NAME}.new"
  ClearErrors
  Delete "$INSTDIR\${NAME}"
  ${If} ${Errors}
    Delete /REBOOTOK "$INSTDIR\${NAME}"
    DetailPrint "$INSTDIR\${NAME} is in use: it will be deleted when Windows restarts."
  ${EndIf}
!macroend

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

; Runs Setup's guard with the given arguments; its lines go to the details. Where it could not do its
; work, Setup stops before it changes anything more.
!macro RunGuard ARGUMENTS
  nsExec::ExecToLog '"$PLUGINSDIR\SetupGuard.exe" ${ARGUMENTS}'
  Pop $0
  ${If} $0 != "0"
    DetailPrint "Setup stops: the program's folder and settings must belong to the administrators ($0)."
    MessageBox MB_OK|MB_ICONSTOP "Setup cannot make the program's folder and settings the administrators' (see Show details). Nothing was installed." /SD IDOK
    Abort
  ${EndIf}
!macroend

; A drive's root is no program folder: Setup makes the folder the administrators'.
Function .onVerifyInstDir
  StrLen $0 $INSTDIR
  ${IfThen} $0 <= 3 ${|} Abort ${|}
FunctionEnd

!macro OfferViewerFor TYPE
  WriteRegNone HKLM "Software\Classes\${TYPE}\OpenWithProgids" "${VIEWER_PROGID}"
  WriteRegStr HKLM "${VIEWER_APPLICATION}\SupportedTypes" "${TYPE}" ""
!macroend

; Deletes HKLM\<key> when it holds neither a value nor a subkey. (NSIS's DeleteRegKey /ifempty looks
; at the subkeys alone, and so does Wine's SHDeleteEmptyKey: either would take the value with which
; another program opens the file type by default.) $0 and $1 are kept.
!macro DeleteRegKeyIfEmpty KEY
  Push $0
  Push $1
  ClearErrors
  EnumRegValue $0 HKLM "${KEY}" 0
  ${If} ${Errors}
    EnumRegKey $1 HKLM "${KEY}" 0
    ${If} $1 == ""
      DeleteRegKey HKLM "${KEY}"
    ${EndIf}
  ${EndIf}
  Pop $1
  Pop $0
!macroend

!macro WithdrawViewerFrom TYPE
  DeleteRegValue HKLM "Software\Classes\${TYPE}\OpenWithProgids" "${VIEWER_PROGID}"
  !insertmacro DeleteRegKeyIfEmpty "Software\Classes\${TYPE}\OpenWithProgids"
  !insertmacro DeleteRegKeyIfEmpty "Software\Classes\${TYPE}"
!macroend

; Offers the viewer for .jps, .mpo and .pns files in "Open with".
Function RegisterOpenWith
  WriteRegStr HKLM "Software\Classes\${VIEWER_PROGID}" "" "Stereo picture"
  WriteRegStr HKLM "Software\Classes\${VIEWER_PROGID}\DefaultIcon" "" "$INSTDIR\ZeltoViewer.exe,0"
  WriteRegStr HKLM "Software\Classes\${VIEWER_PROGID}\shell\open\command" "" '${VIEWER_COMMAND}'
  WriteRegStr HKLM "${VIEWER_APPLICATION}" "FriendlyAppName" "Zelto Viewer"
  WriteRegStr HKLM "${VIEWER_APPLICATION}\shell\open\command" "" '${VIEWER_COMMAND}'
  !insertmacro OfferViewerFor ".jps"
  !insertmacro OfferViewerFor ".mpo"
  !insertmacro OfferViewerFor ".pns"
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
FunctionEnd

; Takes the viewer out of "Open with" again; the types keep what else is theirs.
Function un.WithdrawOpenWith
  !insertmacro WithdrawViewerFrom ".jps"
  !insertmacro WithdrawViewerFrom ".mpo"
  !insertmacro WithdrawViewerFrom ".pns"
  DeleteRegKey HKLM "Software\Classes\${VIEWER_PROGID}"
  DeleteRegKey HKLM "${VIEWER_APPLICATION}"
  System::Call 'shell32::SHChangeNotify(i ${SHCNE_ASSOCCHANGED}, i 0, p 0, p 0)'
FunctionEnd

Section "${PRODUCT}" SecProgram
  SectionIn RO
  ; The folder and the settings are the administrators' before anything goes into them; where they
  ; cannot be made so, a running Activator goes on as it was.
  InitPluginsDir
  File "/oname=$PLUGINSDIR\SetupGuard.exe" "${BIN_DIR}/SetupGuard.exe"
  !insertmacro RunGuard 'folder "$INSTDIR"'
  !insertmacro RunGuard 'settings'

  !insertmacro EndRunningActivator
  StrCpy $ActivatorWasRunning $0
  StrCpy $ActivatorWaits 0

  SetOutPath "$INSTDIR"
  !insertmacro InstallDeliverable "Zelto.exe" 1
  !insertmacro InstallDeliverable "ZeltoKey.dll" 1
  !insertmacro InstallDeliverable "ZeltoViewer.exe" 0
  !insertmacro InstallDeliverable "ZeltoPager.dll" 1
  SetOutPath "$INSTDIR\Images"
  File "${IMAGE_DIR}/Left.bmp"
  File "${IMAGE_DIR}/Right.bmp"
  SetOutPath "$INSTDIR"

  ; Into the keys that the guard made the administrators'.
  WriteRegStr HKLM "${SETTINGS_KEY}" "Current Version" "1.0"
  WriteRegStr HKLM "${VERSION_KEY}\Dir" "Zelto Activator PathName" "$INSTDIR\Zelto.exe"
  ; The Activator's window, by which the page and a second start find it.
  WriteRegStr HKLM "${VERSION_KEY}\Dir" "Zelto Activator ClassName" "${ACTIVATOR_CLASS}"
  WriteRegStr HKLM "${VERSION_KEY}\Dir" "Zelto Activator WindowName" "${PRODUCT}"
  WriteRegStr HKLM "${VERSION_KEY}\Dir" "Default Left Image" "$INSTDIR\Images\Left.bmp"
  WriteRegStr HKLM "${VERSION_KEY}\Dir" "Default Right Image" "$INSTDIR\Images\Right.bmp"
  ; The machine's defaults of the capture settings, which every user's own settings override. Without a
  ; "Default Dir" (an administrator may set one for everyone) each user's pictures go to "Zelto
  ; Captures" in that user's own Pictures folder. An earlier version's "Dir" and "Name" here stay, as
  ; every user's defaults, where the guard kept them.
  WriteRegStr HKLM "${VERSION_KEY}\Capture" "Default Name" "Captur"
  ; Captures need a format: Sync Double, the programs' own default, unless one was chosen before.
  ClearErrors
  ReadRegDWORD $0 HKLM "${VERSION_KEY}\Capture" "View Mode"
  ${If} ${Errors}
    WriteRegDWORD HKLM "${VERSION_KEY}\Capture" "View Mode" 1
  ${EndIf}

  ClearErrors
  RegDLL "$INSTDIR\ZeltoPager.dll"
  ${If} ${Errors}
    DetailPrint "Could not register the property page of ${PRODUCT}."
  ${EndIf}

  Call RegisterOpenWith

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

; Starts the Activator at every user's logon.
Section "Start ${PRODUCT} with Windows" SecStartWithWindows
  WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\Zelto.exe"'
  DetailPrint "${PRODUCT} starts when a user logs on."
SectionEnd

Section "-Finish"
  ; The choice stays for the next upgrade.
  ${If} ${SectionIsSelected} ${SecStartWithWindows}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "StartWithWindows" 1
  ${Else}
    DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "StartWithWindows" 0
  ${EndIf}

  ; The Activator that Setup ended starts again, as the signed-in user: Setup runs elevated, and an
  ; Activator started from it would be too (the shell's own process starts what explorer.exe is given).
  ${If} $ActivatorWaits = 1
    DetailPrint "${PRODUCT} is not started before the restart, which replaces its files."
    ${If} ${SectionIsSelected} ${SecStartWithWindows}
      StrCpy $StartNote "$\r$\n$\r$\n${PRODUCT} starts after the restart."
      DetailPrint "${PRODUCT} starts after the restart."
    ${Else}
      StrCpy $StartNote "$\r$\n$\r$\nStart ${PRODUCT} from the Start menu after the restart."
    ${EndIf}
  ${ElseIf} $ActivatorWasRunning = 1
    StrCpy $StartNote ""
    FindWindow $0 "${ACTIVATOR_CLASS}" "${PRODUCT}"
    ${If} $0 = 0
      DetailPrint "Starting ${PRODUCT} again ..."
      Exec '"$WINDIR\explorer.exe" "$INSTDIR\Zelto.exe"'
    ${EndIf}
  ${ElseIf} ${SectionIsSelected} ${SecStartWithWindows}
    StrCpy $StartNote "$\r$\n$\r$\nIt starts when a user logs on; start it now from the Start menu."
  ${Else}
    StrCpy $StartNote "$\r$\n$\r$\nStart it from the Start menu."
  ${EndIf}
SectionEnd

Function .onInit
  SetRegView 64
  SetShellVarContext all
  ; An upgrade keeps the earlier choice; otherwise the Activator starts with Windows.
  ClearErrors
  ReadRegDWORD $0 HKLM "${UNINSTALL_KEY}" "StartWithWindows"
  ${IfNot} ${Errors}
  ${AndIf} $0 = 0
    !insertmacro UnselectSection ${SecStartWithWindows}
  ${EndIf}
FunctionEnd

Function .onInstSuccess
  ${If} ${RebootFlag}
    SetErrorLevel ${EXIT_RESTART_NEEDED}
  ${EndIf}
FunctionEnd

Function un.onUninstSuccess
  ${If} ${RebootFlag}
    SetErrorLevel ${EXIT_RESTART_NEEDED}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  !insertmacro EndRunningActivator

  UnRegDLL "$INSTDIR\ZeltoPager.dll"
  ; The same keys again, should the library not have loaded.
  DeleteRegKey HKCR "${PAGER_PROGID}"
  DeleteRegKey HKCR "CLSID\${PAGER_CLSID}"
  DeleteRegKey HKCR "*\shellex\ContextMenuHandlers\${PAGER_PROGID}"
  DeleteRegKey HKCR "*\shellex\PropertySheetHandlers\${PAGER_PROGID}"
  Call un.WithdrawOpenWith

  ; A library still mapped by a program (the shell, a program the hook reached) goes at the next start.
  !insertmacro RemoveDeliverable "ZeltoPager.dll"
  !insertmacro RemoveDeliverable "ZeltoKey.dll"
  !insertmacro RemoveDeliverable "Zelto.exe"
  !insertmacro RemoveDeliverable "ZeltoViewer.exe"
  Delete "$INSTDIR\Images\Left.bmp"
  Delete "$INSTDIR\Images\Right.bmp"
  RMDir "$INSTDIR\Images"
  Delete "$INSTDIR\Uninstall.exe"
  ; The folder goes after the files that go at the next start. (Run in place with _?=, the
  ; uninstaller leaves itself and its folder to whoever ran it.)
  ${If} ${RebootFlag}
    RMDir /REBOOTOK "$INSTDIR"
  ${Else}
    RMDir "$INSTDIR"
  ${EndIf}

  Delete "$SMPROGRAMS\${PRODUCT}\Zelto Activator.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Zelto Viewer.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"

  ; The capture folder only when no picture is left in it.
  RMDir "$PICTURES\${CAPTURE_FOLDER}"

  DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  DeleteRegKey HKLM "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKLM "Software\${MAKER}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
