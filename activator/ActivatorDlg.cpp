#include "activator/ActivatorDlg.h"

#include "activator/ActivatorStrings.h"
#include "activator/CaptureSettingsDlg.h"
#include "activator/ColorCodeSettings.h"
#include "activator/ModeTexts.h"
#include "activator/TestDlg.h"
#include "display/JpegCodec.h"
#include "keyhook/KeyHook.h"
#include "linecode/LineCodeEmitter.h"
#include "settings/ActivatorMessages.h"
#include "settings/ControllerMonitor.h"

#include <cstring>
#include <utility>

namespace {

// The hotkey controls, in the order of the hotkeys.
constexpr int kHotKeyControlIds[kHotKeyCount] = {IDC_HOTKEY_INTERLACE,  IDC_HOTKEY_PAGEFLIP,
                                                 IDC_HOTKEY_SYNCDOUBLE, IDC_HOTKEY_LINEBLANK,
                                                 IDC_HOTKEY_NORMAL,     IDC_HOTKEY_CAPTURE};

// The code number that a "Show It!" button or a mode command of the menu switches to; false for others.
bool ModeCommandCode(WORD id, int& code) {
    switch (id) {
    case IDC_SHOW_INTERLACE:
    case ID_MODE_INTERLACE:
        code = kCodeInterlace;
        return true;
    case IDC_SHOW_PAGEFLIP:
    case ID_MODE_PAGEFLIP:
        code = kCodePageFlip;
        return true;
    case IDC_SHOW_SYNCDOUBLE:
    case ID_MODE_SYNCDOUBLE:
        code = kCodeSyncDouble;
        return true;
    case IDC_SHOW_LINEBLANK:
    case ID_MODE_LINEBLANK:
        code = kCodeLineBlank;
        return true;
    case IDC_SHOW_NORMAL:
    case ID_MODE_NORMAL:
        code = kCodeNormal;
        return true;
    default:
        return false;
    }
}

// What the status line shows when the capture settings are opened.
constexpr char kSetCaptureText[] = "Set Capture";
// The tray menu's default item, "Properties ...", by position.
constexpr UINT kTrayMenuDefaultPosition = 6;

HICON LoadMainIcon(int width, int height) {
    // A shared icon: the system frees it with the module, so nobody destroys it.
    return static_cast<HICON>(LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                         width, height, LR_SHARED));
}

} // namespace

CActivatorDlg::CActivatorDlg() : CDialog(IDD_ZELTO_DIALOG) {}

bool CActivatorDlg::LoadSettings() {
    const bool hotKeys = ReadHotKeys(m_settings.hotKeys);
    ReadCaptureSettingsToEdit(m_settings);
    return hotKeys;
}

void CActivatorDlg::SwitchMode(int code) {
    SetStatus(StatusWordForCode(code));
    if (EmitLineCode(code) != kResultOk)
        SetStatus(kLineCodeErrorText);
    CheckControllerMonitor();
}

void CActivatorDlg::CheckControllerMonitor() {
    const bool gone = FindControllerMonitor().chosenGone;
    if (gone && !m_monitorGoneTold)
        SetStatus(kControllerMonitorGoneText);
    m_monitorGoneTold = gone;
}

void CActivatorDlg::SetStatus(const std::string& text) {
    SetItemText(IDC_STATUS, text);
}

void CActivatorDlg::PassHotKeysToHook() const {
    const auto& keys = m_settings.hotKeys;
    SetKeyHookParams(keys[kHotKeyInterlace].virtualKey, keys[kHotKeyInterlace].modifiers,
                     keys[kHotKeyPageFlip].virtualKey, keys[kHotKeyPageFlip].modifiers,
                     keys[kHotKeySyncDouble].virtualKey, keys[kHotKeySyncDouble].modifiers,
                     keys[kHotKeyLineBlank].virtualKey, keys[kHotKeyLineBlank].modifiers,
                     keys[kHotKeyNormal].virtualKey, keys[kHotKeyNormal].modifiers,
                     keys[kHotKeyCapture].virtualKey, keys[kHotKeyCapture].modifiers);
}

void CActivatorDlg::ShowHotKeys() {
    for (int i = 0; i < kHotKeyCount; ++i)
        m_hotKeyCtrls[i].SetHotKey(m_settings.hotKeys[i].virtualKey, m_settings.hotKeys[i].modifiers);
}

void CActivatorDlg::ShowResult(unsigned message, int resultCode) {
    if (const char* prefix = ResultPrefixForMessage(message))
        SetStatus(std::string(prefix) + ResultTextForCode(resultCode));
    CheckControllerMonitor();
}

// The layout is the hook library's (keyhook/KeyHook.h); anything else is not ours and is refused.
bool CActivatorDlg::OnCopyData(const COPYDATASTRUCT* data) {
    std::int32_t result = 0;
    if (!data || data->dwData != kCaptureReportCopyData || !data->lpData || data->cbData < sizeof result ||
        data->cbData > sizeof result + MAX_PATH)
        return false;
    const auto* bytes = static_cast<const char*>(data->lpData);
    std::memcpy(&result, bytes, sizeof result);
    const std::size_t pathBytes = data->cbData - sizeof result;
    NotifyCapture(result, std::string(bytes + sizeof result, strnlen(bytes + sizeof result, pathBytes)));
    return true;
}

// Users expect to know that a screenshot was taken, and where it went; the status line alone is
// hidden most of the time.
void CActivatorDlg::NotifyCapture(int resultCode, const std::string& file) {
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    const bool holdsPicture = !file.empty() &&
                              GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &attributes) &&
                              (attributes.nFileSizeLow != 0 || attributes.nFileSizeHigh != 0);
    const CCaptureNotice notice = CaptureNoticeFor(resultCode, file, holdsPicture);
    if (!notice.title.empty())
        m_trayIcon.Notify(notice.title, notice.text, notice.failed);
}

bool CActivatorDlg::PreTranslateMessage(MSG& message) {
    // The property page ends the Activator by posting WM_DESTROY; a posted WM_DESTROY would only run
    // the handler, so it is turned into a real destruction of the window.
    if (message.message == WM_DESTROY && message.hwnd == m_hWnd) {
        DestroyWindow();
        return true;
    }
    return CDialog::PreTranslateMessage(message);
}

LRESULT CActivatorDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return OnCreate(message, wParam, lParam);
    case WM_DESTROY:
        OnDestroy(message, wParam, lParam);
        return 0;
    case kMsgTrayIcon:
        return OnTrayNotify(wParam, lParam);
    case kMsgReloadSettings:
        OnReloadSettings();
        return 1;
    case kMsgResultNormal:
    case kMsgResultInterlace:
    case kMsgResultPageFlip:
    case kMsgResultSyncDouble:
    case kMsgResultLineBlank:
    case kMsgResultCapture:
        ShowResult(message, static_cast<int>(static_cast<INT_PTR>(wParam)));
        return 1;
    case WM_COPYDATA:
        return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam)) ? TRUE : FALSE;
    case WM_DISPLAYCHANGE:
        CheckControllerMonitor();
        return 0;
    default:
        if (m_taskbarCreatedMessage != 0 && message == m_taskbarCreatedMessage) {
            // The shell restarted and forgot its icons.
            m_trayIcon.Add();
            return 0;
        }
        return CDialog::WindowProc(message, wParam, lParam);
    }
}

// Without the codec the window is not created: no tray icon, no hook. The failures of the later steps
// are ignored: the program runs on without tray icon or hotkeys.
LRESULT CActivatorDlg::OnCreate(UINT message, WPARAM wParam, LPARAM lParam) {
    if (DefaultProc(message, wParam, lParam) == -1)
        return -1;
    m_moduleMask = kCodecModules;
    if (LoadCodecModules(m_moduleMask) != m_moduleMask)
        return -1;
    // Settings only: the capture folder is neither made nor looked at before a capture goes there.
    LoadSettings();
    AddTrayIcon();
    AttachKeyHook(m_hWnd);
    PassHotKeysToHook();
    PassStoredCodeSetToHook();
    CheckControllerMonitor();
    m_created = true;
    return 0;
}

void CActivatorDlg::AddTrayIcon() {
    m_taskbarCreatedMessage = CTrayIcon::TaskbarCreatedMessage();
    m_trayIcon.Init(m_hWnd, kTrayIconId, kMsgTrayIcon,
                    LoadMainIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)),
                    kWindowTitle.Load());
    m_trayIcon.Add();
}

// The icon and the hook go before the process ends; an action of the hook under way is finished first
// (at most a second), so that no line code stays on the screen. A window whose creation failed has
// nothing to take down, and start-up reports the failure itself: a quit message now would close that
// report at once.
void CActivatorDlg::OnDestroy(UINT message, WPARAM wParam, LPARAM lParam) {
    DefaultProc(message, wParam, lParam);
    if (!std::exchange(m_created, false))
        return;
    m_trayIcon.Delete();
    DetachKeyHook();
    UnloadCodecModules(m_moduleMask);
    PostQuitMessage(0);
}

// wParam is the icon's id, lParam the mouse message (version-1 record).
LRESULT CActivatorDlg::OnTrayNotify(WPARAM iconId, LPARAM mouseMessage) {
    if (iconId != kTrayIconId)
        return 0;
    switch (mouseMessage) {
    case WM_RBUTTONUP:
        return CTrayIcon::ShowMenu(m_hWnd, kTrayMenuDefaultPosition) ? 1 : 0;
    case WM_LBUTTONDBLCLK:
        ShowWindow(SW_SHOWNORMAL);
        return 1;
    default:
        return 1;
    }
}

void CActivatorDlg::OnReloadSettings() {
    LoadSettings();
    PassHotKeysToHook();
    ShowHotKeys();
    CheckControllerMonitor();
}

void CActivatorDlg::OnCaptureSettings() {
    SetStatus(kSetCaptureText);
    EditCaptureSettings(m_hWnd, m_settings);
}

BOOL CActivatorDlg::OnInitDialog() {
    HICON bigIcon = LoadMainIcon(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    HICON smallIcon = LoadMainIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
    SetText(kWindowTitle.Load());

    for (int i = 0; i < kHotKeyCount; ++i)
        m_hotKeyCtrls[i].Attach(GetItem(kHotKeyControlIds[i]));
    ShowHotKeys();
    return TRUE;
}

void CActivatorDlg::OnOK() {
    ShowWindow(SW_HIDE);
}

void CActivatorDlg::OnCancel() {
    ShowWindow(SW_HIDE);
}

bool CActivatorDlg::OnCommand(WORD id, WORD, HWND) {
    int code = 0;
    if (ModeCommandCode(id, code)) {
        SwitchMode(code);
        return true;
    }
    switch (id) {
    case ID_PROPERTIES:
        ShowWindow(SW_SHOWNORMAL);
        SetForegroundWindow(m_hWnd);
        return true;
    case ID_EXIT:
        DestroyWindow();
        return true;
    case IDC_CAPTURE_SETTINGS:
        OnCaptureSettings();
        return true;
    case IDC_TEST: {
        CTestDlg test(m_hWnd);
        test.DoModal();
        // The test dialog chooses the controller's monitor.
        CheckControllerMonitor();
        return true;
    }
    case IDC_COLORCODE_SETTINGS:
        EditColorCodeSettings(m_hWnd);
        return true;
    default:
        return false;
    }
}
