#pragma once
// A hotkey control of the page that marks the page modified when a key is released in it, so that the
// sheet's Apply button comes on as soon as the user has typed a hotkey.

#include "framework/HotKeyCtrl.h"

class CPropertyPage;

class CPageHotKeyCtrl : public CHotKeyCtrl {
public:
    CPageHotKeyCtrl() noexcept = default;
    ~CPageHotKeyCtrl();
    CPageHotKeyCtrl(const CPageHotKeyCtrl&) = delete;
    CPageHotKeyCtrl& operator=(const CPageHotKeyCtrl&) = delete;

    // Binds the control `id` of `page`'s window and subclasses it; false when there is no such control.
    // Binding again to the same control keeps the one subclass.
    bool Bind(CPropertyPage& page, int id) noexcept;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    void Unbind() noexcept;

    CPropertyPage* m_page = nullptr;
};
