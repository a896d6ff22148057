#include "activator/ActivatorApp.h"

#include "activator/ActivatorDlg.h"
#include "activator/ActivatorStrings.h"
#include "settings/ActivatorMessages.h"
#include "settings/RegistryKey.h"
#include "settings/RegistryPath.h"

#include <commctrl.h>

// The registry names come from the Activator's string table from the start.
CActivatorApp::CActivatorApp() {
    UseRegistryNameStrings(&kActivatorNameStrings);
}

CActivatorApp::~CActivatorApp() = default;

namespace {

// HKEY_LOCAL_MACHINE\Software\<maker>\<product>, opened (or, with `create`, created) one key at a time.
bool OpenProductKey(CRegistryKey& key, bool create) {
    return WalkKeyPath(key, HKEY_LOCAL_MACHINE, {"Software", kMakerKey.Load(), kProductKey.Load()}, create);
}

} // namespace

BOOL CActivatorApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_STANDARD_CLASSES | ICC_HOTKEY_CLASS | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    m_pMainWnd = nullptr;

    if (!ReadWindowIdentity())
        m_windowName = LoadStringResource(IDS_WINDOW_TITLE, m_windowName.c_str());

    if (HWND running = FindWindowA(m_className.c_str(), m_windowName.c_str())) {
        // Let the running Activator take the foreground when it shows its window.
        DWORD processId = 0;
        GetWindowThreadProcessId(running, &processId);
        AllowSetForegroundWindow(processId);
        SetForegroundWindow(running);
        PostMessageA(running, WM_COMMAND, kCommandProperties, 0);
        return FALSE;
    }

    m_mainDlg = std::make_unique<CActivatorDlg>();
    if (!m_mainDlg->Create()) {
        m_mainDlg.reset();
        AppMessageBox(nullptr, "Zelto Activator cannot start: its main window could not be created.",
                      MB_OK | MB_ICONERROR);
        return FALSE;
    }
    m_pMainWnd = m_mainDlg.get();
    HWND window = m_mainDlg->GetSafeHwnd();
    ::ShowWindow(window, SW_HIDE);
    UpdateWindow(window);

    char className[255];
    if (GetClassNameA(window, className, sizeof className) > 0)
        m_className = className;
    m_windowName = LoadStringResource(IDS_WINDOW_TITLE, m_windowName.c_str());
    WriteWindowIdentity();
    return TRUE;
}

int CActivatorApp::ExitInstance() {
    m_pMainWnd = nullptr;
    m_mainDlg.reset();
    return CApplication::ExitInstance();
}

bool CActivatorApp::ReadWindowIdentity() {
    CRegistryKey key;
    if (!OpenProductKey(key, false))
        return false;
    std::string version;
    if (!key.ReadString(kCurrentVersionValue.Load(), version))
        return false;
    if (!key.Open(key, version) || !key.Open(key, kDirName.Load()))
        return false;
    return key.ReadString(kClassNameValue.Load(), m_className) &&
           key.ReadString(kWindowNameValue.Load(), m_windowName);
}

bool CActivatorApp::WriteWindowIdentity() {
    CRegistryKey key;
    if (!OpenProductKey(key, true))
        return false;
    if (!key.WriteString(kCurrentVersionValue.Load(), kSettingsVersion))
        return false;
    if (!key.Create(key, kSettingsVersion) || !key.Create(key, kDirName.Load()))
        return false;
    return key.WriteString(kClassNameValue.Load(), m_className) &&
           key.WriteString(kWindowNameValue.Load(), m_windowName);
}
