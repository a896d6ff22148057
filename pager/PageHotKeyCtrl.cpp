#include "pager/PageHotKeyCtrl.h"

#include "framework/PropertyPage.h"

namespace {
// The subclass id of SetWindowSubclass; one subclass of this kind per control.
constexpr UINT_PTR kSubclassId = 1;
} // namespace

CPageHotKeyCtrl::~CPageHotKeyCtrl() {
    Unbind();
}

bool CPageHotKeyCtrl::Bind(CPropertyPage& page, int id) noexcept {
    HWND control = page.GetItem(id);
    if (control == m_hWnd && control)
        return true;
    Unbind();
    if (!control || !SetWindowSubclass(control, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    Attach(control);
    m_page = &page;
    return true;
}

void CPageHotKeyCtrl::Unbind() noexcept {
    if (m_hWnd)
        RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
    Attach(nullptr);
    m_page = nullptr;
}

LRESULT CALLBACK CPageHotKeyCtrl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                               UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<CPageHotKeyCtrl*>(data);
    try {
        switch (message) {
        case WM_KEYUP:
        // F10, and a key released while Alt is down, arrive as WM_SYSKEYUP: a hotkey of F10 alone
        // would otherwise never enable Apply.
        case WM_SYSKEYUP:
            if (self->m_page)
                self->m_page->SetModified(true);
            break;
        case WM_NCDESTROY:
            self->Unbind();
            break;
        default:
            break;
        }
    } catch (...) {
    }
    return DefSubclassProc(window, message, wParam, lParam);
}
