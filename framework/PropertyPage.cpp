#include "framework/PropertyPage.h"

#include "framework/Resources.h"

CPropertyPage::CPropertyPage(UINT templateId) noexcept {
    m_page.dwSize = sizeof m_page;
    m_page.dwFlags = PSP_USECALLBACK;
    m_page.hInstance = ResourceInstance();
    m_page.pszTemplate = MAKEINTRESOURCEA(templateId);
    m_page.pfnDlgProc = StaticDialogProc;
    m_page.lParam = reinterpret_cast<LPARAM>(this);
    m_page.pfnCallback = PageCallback;
}

CPropertyPage::~CPropertyPage() {
    // The sheet owns the window; a page that goes first only lets go of it.
    if (m_hWnd)
        Detach();
}

UINT CALLBACK CPropertyPage::PageCallback(HWND, UINT message, LPPROPSHEETPAGEA) {
    return message == PSPCB_CREATE ? 1 : 0;
}

void CPropertyPage::Attach(HWND window) noexcept {
    m_hWnd = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_defaultProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CPropertyPage::StaticWindowProc)));
}

void CPropertyPage::Detach() noexcept {
    if (m_defaultProc)
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_defaultProc));
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
    m_hWnd = nullptr;
    m_defaultProc = nullptr;
}

void CPropertyPage::SetModified(bool changed) const noexcept {
    if (!m_hWnd)
        return;
    SendMessageA(GetParent(m_hWnd), changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hWnd),
                 0);
}

bool CPropertyPage::UpdateData(bool saveAndValidate) {
    if (!m_hWnd)
        return false;
    DoDataExchange(saveAndValidate);
    return true;
}

LRESULT CPropertyPage::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(m_defaultProc, m_hWnd, message, wParam, lParam);
}

LRESULT CPropertyPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        // Reached from the dialog procedure, inside the dialog manager's own handling of the message.
        return OnInitDialog();
    case WM_NOTIFY:
        if (lParam)
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam), message, wParam, lParam);
        break;
    case WM_COMMAND:
        if (lParam && OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)))
            return 0;
        break;
    default:
        break;
    }
    return DefaultProc(message, wParam, lParam);
}

LRESULT CPropertyPage::OnNotify(const NMHDR& header, UINT message, WPARAM wParam, LPARAM lParam) {
    // The sheet reads the answer to its notifications from the window procedure's result.
    if (header.hwndFrom == GetParent(m_hWnd)) {
        switch (header.code) {
        case PSN_APPLY:
            OnOK();
            return PSNRET_NOERROR;
        case PSN_RESET:
            OnCancel();
            return 0;
        default:
            break;
        }
    }
    return DefaultProc(message, wParam, lParam);
}

void CPropertyPage::DoDataExchange(bool) {}

BOOL CPropertyPage::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void CPropertyPage::OnOK() {}

void CPropertyPage::OnCancel() {}

bool CPropertyPage::OnCommand(WORD, WORD, HWND) {
    return false;
}

INT_PTR CALLBACK CPropertyPage::StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Once the page is attached, everything reaches WindowProc first; the dialog manager's defaults stay.
    if (message != WM_INITDIALOG || GetWindowLongPtrA(window, GWLP_USERDATA) != 0 || !lParam)
        return FALSE;
    // lParam is the sheet's copy of the page structure, whose lParam is the page object.
    auto* page = reinterpret_cast<CPropertyPage*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
    if (!page)
        return FALSE;
    try {
        page->Attach(window);
        return page->WindowProc(message, wParam, lParam);
    } catch (...) {
        return FALSE;
    }
}

LRESULT CALLBACK CPropertyPage::StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* page = reinterpret_cast<CPropertyPage*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!page)
        return DefDlgProcA(window, message, wParam, lParam);
    LRESULT result = 0;
    // No exception may cross into the window manager.
    try {
        result = page->WindowProc(message, wParam, lParam);
    } catch (...) {
        result = 0;
    }
    if (message == WM_NCDESTROY)
        page->Detach();
    return result;
}
