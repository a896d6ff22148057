#pragma once
// Window messages to the Activator's main window from the other deliverables.

// The tray icon's callback (wParam: icon id, lParam: mouse message).
inline constexpr unsigned kMsgTrayIcon = 0x0400; // WM_USER
// Posted by the property page: read the settings again and hand the hotkeys to the hook again.
inline constexpr unsigned kMsgReloadSettings = 0x0401; // WM_USER + 1
// Sent by the hook library after a mode switch it made; wParam is the emission's result code.
inline constexpr unsigned kMsgResultNormal = 0x0402;    // WM_USER + 2
inline constexpr unsigned kMsgResultInterlace = 0x0403; // WM_USER + 3
inline constexpr unsigned kMsgResultPageFlip = 0x0404;  // WM_USER + 4
inline constexpr unsigned kMsgResultSyncDouble = 0x0405;
inline constexpr unsigned kMsgResultLineBlank = 0x0406;
// Accepted with the prefix "Capture "; nothing sends it.
inline constexpr unsigned kMsgResultCapture = 0x0407;

// The tray icon's id and the "Properties ..." command that a second start posts.
inline constexpr unsigned kTrayIconId = 129;
inline constexpr unsigned kCommandProperties = 32773;
