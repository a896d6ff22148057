#pragma once
// A thin, non-owning view of a window handle with the calls that the dialogs use most.

#include <windows.h>

#include <string>

class CWindow {
public:
    CWindow() noexcept = default;
    explicit CWindow(HWND window) noexcept : m_hWnd(window) {}

    HWND GetSafeHwnd() const noexcept { return m_hWnd; }
    explicit operator bool() const noexcept { return m_hWnd != nullptr; }

    HWND GetItem(int id) const noexcept { return GetDlgItem(m_hWnd, id); }
    std::string GetItemText(int id) const { return TextOf(GetItem(id)); }
    void SetItemText(int id, const std::string& text) const noexcept {
        SetDlgItemTextA(m_hWnd, id, text.c_str());
    }
    void EnableItem(int id, bool enable) const noexcept { EnableWindow(GetItem(id), enable ? TRUE : FALSE); }
    LRESULT SendItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const noexcept {
        return SendDlgItemMessageA(m_hWnd, id, message, wParam, lParam);
    }

    std::string GetText() const { return TextOf(m_hWnd); }
    void SetText(const std::string& text) const noexcept { SetWindowTextA(m_hWnd, text.c_str()); }
    bool ShowWindow(int command) const noexcept { return ::ShowWindow(m_hWnd, command) != FALSE; }
    bool IsVisible() const noexcept { return IsWindowVisible(m_hWnd) != FALSE; }
    void Invalidate(bool erase = true) const noexcept {
        InvalidateRect(m_hWnd, nullptr, erase ? TRUE : FALSE);
    }

    static std::string TextOf(HWND window) {
        int length = GetWindowTextLengthA(window);
        if (length <= 0)
            return {};
        std::string text(static_cast<size_t>(length) + 1, '\0');
        int copied = GetWindowTextA(window, text.data(), length + 1);
        text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        return text;
    }

protected:
    HWND m_hWnd = nullptr;
};
