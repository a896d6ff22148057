#pragma once
// A hotkey control (msctls_hotkey32) bound to a dialog item. The control packs a hotkey into one
// word: the virtual-key code in the low byte, the HOTKEYF_ modifier flags in the high byte.

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

class CHotKeyCtrl {
public:
    void Attach(HWND control) noexcept { m_hWnd = control; }
    HWND GetSafeHwnd() const noexcept { return m_hWnd; }

    void SetHotKey(std::uint16_t virtualKey, std::uint16_t modifiers) const noexcept {
        SendMessageA(m_hWnd, HKM_SETHOTKEY, static_cast<WPARAM>(modifiers * 256u + (virtualKey & 0xFFu)), 0);
    }
    void GetHotKey(std::uint16_t& virtualKey, std::uint16_t& modifiers) const noexcept {
        auto word = static_cast<unsigned>(SendMessageA(m_hWnd, HKM_GETHOTKEY, 0, 0));
        virtualKey = static_cast<std::uint16_t>(word & 0xFFu);
        modifiers = static_cast<std::uint16_t>((word >> 8) & 0xFFu);
    }

protected:
    HWND m_hWnd = nullptr;
};
