#include "activator/TrayIcon.h"

void CTrayIcon::Init(HWND window, UINT id, UINT callbackMessage, HICON icon,
                     const std::string& tip) noexcept {
    m_record = NOTIFYICONDATAA{};
    m_record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    m_record.hWnd = window;
    m_record.uID = id;
    m_record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_record.uCallbackMessage = callbackMessage;
    m_record.hIcon = icon;
    // The version-1 tip field holds 63 characters and the terminator.
    lstrcpynA(m_record.szTip, tip.c_str(), 64);
}

bool CTrayIcon::Add() noexcept {
    return Shell_NotifyIconA(NIM_ADD, &m_record) != FALSE;
}

bool CTrayIcon::Delete() noexcept {
    return Shell_NotifyIconA(NIM_DELETE, &m_record) != FALSE;
}

UINT CTrayIcon::TaskbarCreatedMessage() noexcept {
    return RegisterWindowMessageA("TaskbarCreated");
}

bool CTrayIcon::ShowMenu(HWND owner, UINT defaultPosition) noexcept {
    HMENU popup = GetSubMenu(GetMenu(owner), 0);
    if (!popup)
        return false;
    SetMenuDefaultItem(popup, defaultPosition, TRUE);
    POINT cursor{};
    GetCursorPos(&cursor);
    // Without the foreground the menu would not close when the user clicks elsewhere; the message
    // posted afterwards lets the next click on the icon open it again (a long-standing shell quirk).
    SetForegroundWindow(owner);
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, owner, nullptr);
    PostMessageA(owner, WM_NULL, 0, 0);
    return true;
}
