#include "activator/ActivatorDlg.h"

#include "activator/ActivatorMessages.h"
#include "activator/ColorCodeSettings.h"
#include "activator/ModeTexts.h"
#include "activator/RegistryKey.h"
#include "activator/RegistryNames.h"
#include "activator/SettingsRules.h"
#include "linecode/LineCodeEmitter.h"

namespace {

// The hotkey controls, in the order of the hotkeys.
constexpr int kHotKeyControlIds[kHotKeyCount] = {IDC_HOTKEY_INTERLACE, IDC_HOTKEY_PAGEFLIP,
                                                 IDC_HOTKEY_SYNCDOUBLE, IDC_HOTKEY_LINEBLANK,
                                                 IDC_HOTKEY_NORMAL,    IDC_HOTKEY_CAPTURE};

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

std::string DefaultCaptureDir() {
    char windows[512];
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows)
        windows[0] = '\0';
    return std::string(windows) + "\\Temp\\";
}

} // namespace

CActivatorDlg::CActivatorDlg() : CDialog(IDD_ZELTO_DIALOG) {
    m_settings.defaultDir = DefaultCaptureDir();
}

bool CActivatorDlg::LoadSettings() {
    CRegistryKey key;
    if (!key.Open(HKEY_LOCAL_MACHINE, "Software") || !key.Open(key, kMakerKey.Load()) ||
        !key.Open(key, kProductKey.Load()))
        return false;
    std::string version = kSettingsVersion;
    key.ReadString(kCurrentVersionValue.Load(), version);
    if (!key.Open(key, version))
        return false;

    CRegistryKey hotKeys;
    if (hotKeys.Open(key, kHotKeyKey.Load())) {
        for (int i = 0; i < kHotKeyCount; ++i) {
            CRegistryKey mode;
            if (!mode.Open(hotKeys, kHotKeySubkeys[i].Load()))
                continue;
            std::uint32_t value = 0;
            if (mode.ReadNumber(kVirtualKeyCodeValue.Load(), value))
                m_settings.hotKeys[i].virtualKey = static_cast<std::uint16_t>(value & 0xFFFF);
            if (mode.ReadNumber(kModifiersValue.Load(), value))
                m_settings.hotKeys[i].modifiers = static_cast<std::uint16_t>(value & 0xFFFF);
        }
    }

    CRegistryKey capture;
    if (capture.Open(key, kCaptureKey.Load())) {
        std::uint32_t viewMode = 0;
        if (capture.ReadNumber(kViewModeValue.Load(), viewMode))
            m_settings.viewMode = static_cast<std::int32_t>(viewMode);
        capture.ReadString(kDirName.Load(), m_settings.dir);
        m_settings.dir = WithTrailingBackslash(std::move(m_settings.dir));
        capture.ReadString(kNameValue.Load(), m_settings.name);
        m_settings.name = FitCaptureName(std::move(m_settings.name));
        capture.ReadString(kDefaultDirValue.Load(), m_settings.defaultDir);
        capture.ReadString(kDefaultNameValue.Load(), m_settings.defaultName);
    }
    return true;
}

void CActivatorDlg::SwitchMode(int code) {
    SetStatus(StatusWordForCode(code));
    if (EmitLineCode(code) != kResultOk)
        SetStatus(kLineCodeErrorText);
}

void CActivatorDlg::SetStatus(const std::string& text) {
    SetItemText(IDC_STATUS, text);
}

void CActivatorDlg::ShowHotKeys() {
    for (int i = 0; i < kHotKeyCount; ++i)
        m_hotKeyCtrls[i].SetHotKey(m_settings.hotKeys[i].virtualKey, m_settings.hotKeys[i].modifiers);
}

void CActivatorDlg::ShowResult(unsigned message, int resultCode) {
    if (const char* prefix = ResultPrefixForMessage(message))
        SetStatus(std::string(prefix) + ResultTextForCode(resultCode));
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
    case kMsgReloadSettings:
        LoadSettings();
        ShowHotKeys();
        return 1;
    case kMsgResultNormal:
    case kMsgResultInterlace:
    case kMsgResultPageFlip:
    case kMsgResultSyncDouble:
    case kMsgResultLineBlank:
    case kMsgResultCapture:
        ShowResult(message, static_cast<int>(static_cast<INT_PTR>(wParam)));
        return 1;
    default:
        return CDialog::WindowProc(message, wParam, lParam);
    }
}

LRESULT CActivatorDlg::OnCreate(UINT message, WPARAM wParam, LPARAM lParam) {
    if (DefaultProc(message, wParam, lParam) == -1)
        return -1;
    LoadSettings();
    // One directory level, as mkdir makes it; a failure leaves the captures to fail later.
    CreateDirectoryA(m_settings.dir.c_str(), nullptr);
    return 0;
}

void CActivatorDlg::OnDestroy(UINT message, WPARAM wParam, LPARAM lParam) {
    DefaultProc(message, wParam, lParam);
    PostQuitMessage(0);
}

BOOL CActivatorDlg::OnInitDialog() {
    HINSTANCE instance = ResourceInstance();
    auto bigIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                                 GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
    auto smallIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                   LR_SHARED));
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
    case IDC_COLORCODE_SETTINGS:
        EditColorCodeSettings(m_hWnd);
        return true;
    default:
        return false;
    }
}
