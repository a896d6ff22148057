#include "activator/ActivatorApp.h"

#include "activator/ActivatorDlg.h"
#include "activator/ActivatorStrings.h"
#include "display/PreparingThreads.h"
#include "settings/ActivatorMessages.h"

#include <commctrl.h>

// The registry names come from the Activator's string table from the start.
CActivatorApp::CActivatorApp() {
    UseRegistryNameStrings(&kActivatorNameStrings);
}

CActivatorApp::~CActivatorApp() = default;

BOOL CActivatorApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_STANDARD_CLASSES | ICC_HOTKEY_CLASS | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    m_pMainWnd = nullptr;

    if (!ReadWindowIdentity())
        m_identity.windowName = kWindowTitle.Load();

    // Only this user's Activator of this session: another user's, on the same desktop, is not ours to show.
    if (HWND running = FindOwnActivatorWindow(m_identity)) {
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
        m_identity.className = className;
    m_identity.windowName = kWindowTitle.Load();
    WriteWindowIdentity();
    return TRUE;
}

int CActivatorApp::ExitInstance() {
    m_pMainWnd = nullptr;
    m_mainDlg.reset();
    const int exitCode = CApplication::ExitInstance();
    // A picture still decoding for a browser that has closed is not waited for.
    EndProcessIfPreparing(exitCode);
    return exitCode;
}

bool CActivatorApp::ReadWindowIdentity() {
    return ::ReadWindowIdentity(m_identity);
}

bool CActivatorApp::WriteWindowIdentity() {
    return ::WriteWindowIdentity(m_identity);
}
