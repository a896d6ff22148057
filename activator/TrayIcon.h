#pragma once
// The program's icon in the taskbar's notification area. The record that adds the icon is kept for the
// icon's whole life, so that the icon is added again and removed with that same record. It is the
// version-1 record (NOTIFYICONDATAA_V1_SIZE of the build's architecture: 88 bytes for 32-bit
// programs, 104 for x64), for which the shell reports the plain mouse message in lParam of the callback.
// Notifications (balloons) need the later, longer record; the icon's behaviour stays that of version 1,
// since no NIM_SETVERSION is sent.

#include <windows.h>
#include <shellapi.h>

#include <string>

class CTrayIcon {
public:
    // Fills the record: icon `id` of `window`, reported with `callbackMessage`, with `icon` and the tip
    // `tip` (cut to fit the tip field). Nothing is shown yet.
    void Init(HWND window, UINT id, UINT callbackMessage, HICON icon, const std::string& tip) noexcept;
    // NIM_ADD; true when the shell took the icon. Also used when the taskbar was recreated.
    bool Add() noexcept;
    // NIM_DELETE; true when the shell removed the icon.
    bool Delete() noexcept;

    // Shows a notification at the icon: `title` (cut to 63 characters) over `text` (cut to 255), with
    // the information or, for `failure`, the error symbol. True when the shell took it; the shell
    // shows one notification at a time and hides it after a while or on a click.
    bool Notify(const std::string& title, const std::string& text, bool failure) noexcept;

    const NOTIFYICONDATAA& Record() const noexcept { return m_record; }
    // The record of the last notification, for tests.
    const NOTIFYICONDATAA& LastNotification() const noexcept { return m_notification; }

    // The message that the shell broadcasts when it has recreated the taskbar ("TaskbarCreated"), after
    // which every icon must be added again; 0 when it cannot be registered.
    static UINT TaskbarCreatedMessage() noexcept;

    // Shows the first pop-up of `owner`'s menu bar at the cursor, with the item at `defaultPosition` as its
    // default (bold) item; the chosen command goes to `owner` as WM_COMMAND. False when the menu bar has
    // no pop-up.
    static bool ShowMenu(HWND owner, UINT defaultPosition) noexcept;

private:
    NOTIFYICONDATAA m_record{};
    NOTIFYICONDATAA m_notification{};
};
