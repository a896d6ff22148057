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

bool CTrayIcon::Notify(const std::string& title, const std::string& text, bool failure) noexcept {
    m_notification = NOTIFYICONDATAA{};
    m_notification.cbSize = sizeof m_notification;
    m_notification.hWnd = m_record.hWnd;
    m_notification.uID = m_record.uID;
    m_notification.uFlags = NIF_INFO;
    lstrcpynA(m_notification.szInfoTitle, title.c_str(), sizeof m_notification.szInfoTitle);
    lstrcpynA(m_notification.szInfo, text.c_str(), sizeof m_notification.szInfo);
    m_notification.dwInfoFlags = failure ? NIIF_ERROR : NIIF_INFO;
    // Ignored from Windows Vista on, where the system's accessibility setting decides.
    m_notification.uTimeout = 10000;
    return Shell_NotifyIconA(NIM_MODIFY, &m_notification) != FALSE;
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
