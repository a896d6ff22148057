#pragma once
// The Activator's main window: a modeless dialog (template 102) that stays hidden while the program
// lives in the tray. It owns the tray icon and the keyboard hook, shows the hotkeys read-only, switches
// modes from its "Show It!" buttons and its menu, and shows the results that the hook library reports:
// in its status line, and for a capture also as a notification at the tray icon.

#include "activator/ActivatorSettings.h"
#include "activator/TrayIcon.h"
#include "framework/Dialog.h"
#include "framework/HotKeyCtrl.h"

#include <array>
#include <string>

class CActivatorDlg : public CDialog {
public:
    CActivatorDlg();

    // Loads the hotkeys (a value that cannot be read keeps its field) and the capture settings in force
    // (ReadCaptureSettingsToEdit) from the registry. False when the hotkeys' key cannot be opened.
    bool LoadSettings();
    const CActivatorSettings& Settings() const noexcept { return m_settings; }

    // Shows the mode's status word, then emits its line code; "LineCode Error" when that fails.
    void SwitchMode(int code);
    // Tells in the status line, once for as long as it lasts, that the monitor chosen for the
    // controller is gone and the primary stands in for it. Run at creation, on WM_DISPLAYCHANGE, after
    // a reload, a mode switch or its result, and the test dialog.
    void CheckControllerMonitor();

    bool PreTranslateMessage(MSG& message) override;

    const CTrayIcon& TrayIcon() const noexcept { return m_trayIcon; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(WORD id, WORD notifyCode, HWND control) override;

private:
    LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam);
    void OnDestroy(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnTrayNotify(WPARAM iconId, LPARAM mouseMessage);
    void OnReloadSettings();
    void OnCaptureSettings();
    void AddTrayIcon();
    // Hands the six hotkeys to the hook library.
    void PassHotKeysToHook() const;
    void ShowHotKeys();
    void ShowResult(unsigned message, int resultCode);
    // WM_COPYDATA: the hook library's report of a capture, with the file it reserved.
    bool OnCopyData(const COPYDATASTRUCT* data);
    void NotifyCapture(int resultCode, const std::string& file);
    void SetStatus(const std::string& text);

    CActivatorSettings m_settings;
    std::array<CHotKeyCtrl, kHotKeyCount> m_hotKeyCtrls;
    // The codec modules that the window asks for when it is created and releases when it goes.
    unsigned m_moduleMask = 0;
    CTrayIcon m_trayIcon;
    UINT m_taskbarCreatedMessage = 0;
    // Set once WM_CREATE has gone through all its steps.
    bool m_created = false;
    // The status line told that the controller's monitor is gone, and it still is.
    bool m_monitorGoneTold = false;
};
