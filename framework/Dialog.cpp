#include "framework/Dialog.h"

#include "framework/Handles.h"
#include "framework/Resources.h"

#include <utility>

namespace {
// The dialog whose window the creation hook of this thread attaches to.
thread_local CDialog* t_dialogBeingCreated = nullptr;
} // namespace

CDialog::CDialog(UINT templateId, HWND parent) noexcept : m_parent(parent), m_templateId(templateId) {}

CDialog::~CDialog() {
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

LRESULT CALLBACK CDialog::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    // The first window created is the dialog itself; its controls follow once it exists.
    if (code == HCBT_CREATEWND && t_dialogBeingCreated)
        std::exchange(t_dialogBeingCreated, nullptr)->Attach(reinterpret_cast<HWND>(wParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

HWND CDialog::CreateFromTemplate() {
    CHookHandle hook(SetWindowsHookExA(WH_CBT, CreationHook, nullptr, GetCurrentThreadId()));
    if (!hook)
        return nullptr;
    t_dialogBeingCreated = this;
    HWND window =
        CreateDialogParamA(ResourceInstance(), MAKEINTRESOURCEA(m_templateId), m_parent, StaticDialogProc, 0);
    t_dialogBeingCreated = nullptr;
    return window;
}

void CDialog::Attach(HWND window) noexcept {
    m_hWnd = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_defaultProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CDialog::StaticWindowProc)));
}

void CDialog::Detach() noexcept {
    SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_defaultProc));
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
    m_hWnd = nullptr;
    m_endModal = true;
}

bool CDialog::Create() {
    m_modal = false;
    return CreateFromTemplate() != nullptr;
}

INT_PTR CDialog::DoModal() {
    m_modal = true;
    m_endModal = false;
    m_modalResult = -1;
    if (!CreateFromTemplate()) {
        m_modal = false;
        return -1;
    }
    bool ownerDisabled = false;
    if (m_parent && IsWindowEnabled(m_parent)) {
        EnableWindow(m_parent, FALSE);
        ownerDisabled = true;
    }
    if (!m_endModal && m_hWnd && !IsWindowVisible(m_hWnd))
        ::ShowWindow(m_hWnd, SW_SHOWNORMAL);

    MSG message;
    while (!m_endModal) {
        BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            // WM_QUIT belongs to the outer loop: end this one and hand it on.
            OnModalQuit();
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got == -1)
            break;
        if (!PreTranslateMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

    if (ownerDisabled)
        EnableWindow(m_parent, TRUE);
    if (m_hWnd) {
        // Activate the owner before the dialog goes, so that activation does not pass to another program.
        if (m_parent && GetActiveWindow() == m_hWnd)
            SetActiveWindow(m_parent);
        ::DestroyWindow(m_hWnd);
    }
    m_modal = false;
    return m_modalResult;
}

void CDialog::EndDialog(INT_PTR result) noexcept {
    if (m_modal) {
        m_modalResult = result;
        m_endModal = true;
        // Wake the modal loop in case it is waiting for a message.
        if (m_hWnd)
            PostMessageA(m_hWnd, WM_NULL, 0, 0);
    } else if (m_hWnd) {
        ::ShowWindow(m_hWnd, SW_HIDE);
    }
}

void CDialog::DestroyWindow() noexcept {
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

bool CDialog::PreTranslateMessage(MSG& message) {
    return m_hWnd && IsDialogMessageA(m_hWnd, &message);
}

LRESULT CDialog::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(m_defaultProc, m_hWnd, message, wParam, lParam);
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND: {
        WORD id = LOWORD(wParam);
        WORD code = HIWORD(wParam);
        if (id == IDOK && code == BN_CLICKED) {
            OnOK();
            return 0;
        }
        if (id == IDCANCEL && code == BN_CLICKED) {
            OnCancel();
            return 0;
        }
        if (OnCommand(id, code, reinterpret_cast<HWND>(lParam)))
            return 0;
        break;
    }
    default:
        break;
    }
    return DefaultProc(message, wParam, lParam);
}

BOOL CDialog::OnInitDialog() {
    return TRUE;
}

void CDialog::OnOK() {
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::OnCommand(WORD, WORD, HWND) {
    return false;
}

LRESULT CALLBACK CDialog::StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!dialog)
        return DefDlgProcA(window, message, wParam, lParam);
    LRESULT result = 0;
    // No exception may cross into the window manager.
    try {
        result = dialog->WindowProc(message, wParam, lParam);
    } catch (...) {
        result = 0;
    }
    if (message == WM_NCDESTROY)
        dialog->Detach();
    return result;
}

INT_PTR CALLBACK CDialog::StaticDialogProc(HWND, UINT, WPARAM, LPARAM) {
    // Everything the dialog handles reaches WindowProc first; the dialog manager's defaults stay.
    return FALSE;
}
