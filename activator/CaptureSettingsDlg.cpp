#include "activator/CaptureSettingsDlg.h"

#include "activator/CapturePathRules.h"
#include "activator/FileDialogs.h"
#include "activator/ViewModeNames.h"
#include "activator/resource.h"
#include "display/ImageBrowserDlg.h"
#include "settings/CaptureSettings.h"
#include "settings/RegistryKey.h"
#include "settings/SettingsRules.h"

namespace {

constexpr char kBadNameText[] = "A name cannot hold \\ / : * ? \" < > |";
constexpr char kDeviceNameText[] = "That name is a device's (NUL, CON, COM1, ...)";
constexpr char kBadDirText[] = "The folder must be a full path (C:\\...)";
constexpr char kDeviceText[] = "Pictures go only to a folder on a drive or a network share.";
constexpr char kTooLongText[] = "The folder path is too long.";
constexpr char kNotSavedText[] = "The settings could not be saved.";
constexpr char kNothingToShowText[] = "There is no picture to show.";

// The longest text that the settings' string values are read back with, its terminator not counted.
constexpr WPARAM kEntryLimit = CRegistryKey::kStringBufferBytes - 1;

} // namespace

CCaptureSettingsDlg::CCaptureSettingsDlg(HWND parent) : CDialog(IDD_CAPTURE_SETTINGS, parent) {}

LRESULT CCaptureSettingsDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        LRESULT result = DefaultProc(message, wParam, lParam);
        if (m_viewMode < kViewInterlace || m_viewMode > kViewFlat2D)
            m_viewMode = kViewSyncDouble;
        return result;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

BOOL CCaptureSettingsDlg::OnInitDialog() {
    for (const char* name : kViewModeNames)
        SendItemMessage(IDC_CAPTURE_FORMAT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    SendItemMessage(IDC_CAPTURE_FORMAT, CB_SETCURSEL, static_cast<WPARAM>(m_viewMode));
    EnableAlignmentKeys();
    SendItemMessage(IDC_CAPTURE_DIR, EM_LIMITTEXT, kEntryLimit);
    SendItemMessage(IDC_CAPTURE_NAME, EM_LIMITTEXT, kEntryLimit);
    SetItemText(IDC_CAPTURE_DIR, m_dir);
    SetItemText(IDC_CAPTURE_NAME, m_name);
    CheckDlgButton(m_hWnd, IDC_CAPTURE_LOSSLESS, m_lossless ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

void CCaptureSettingsDlg::EnableAlignmentKeys() {
    EnableItem(IDC_CAPTURE_ALIGN_KEYS, m_viewMode == kViewSyncDouble);
    EnableItem(IDC_CAPTURE_ALIGN_TEXT, m_viewMode == kViewSyncDouble);
}

bool CCaptureSettingsDlg::OnCommand(WORD id, WORD notifyCode, HWND) {
    switch (id) {
    case IDC_CAPTURE_FORMAT:
        if (notifyCode != CBN_SELCHANGE)
            return false;
        m_viewMode = static_cast<std::int32_t>(SendItemMessage(IDC_CAPTURE_FORMAT, CB_GETCURSEL));
        EnableAlignmentKeys();
        return true;
    case IDC_CAPTURE_DEFAULT:
        OnDefault();
        return true;
    case IDC_CAPTURE_CHANGE:
        OnChange();
        return true;
    case IDC_CAPTURE_VIEW:
        OnView();
        return true;
    default:
        return false;
    }
}

void CCaptureSettingsDlg::OnDefault() {
    m_dir = m_defaultDir;
    m_name = m_defaultName;
    SetItemText(IDC_CAPTURE_DIR, m_dir);
    SetItemText(IDC_CAPTURE_NAME, m_name);
}

void CCaptureSettingsDlg::OnChange() {
    CFileDialogOptions options;
    options.save = true;
    options.flags = OFN_HIDEREADONLY;
    std::string chosen;
    if (!ChooseFile(m_hWnd, options, GetItemText(IDC_CAPTURE_DIR) + GetItemText(IDC_CAPTURE_NAME), chosen))
        return;
    const CCaptureLocation location = SplitChosenCapturePath(chosen);
    SetItemText(IDC_CAPTURE_DIR, location.dir);
    SetItemText(IDC_CAPTURE_NAME, location.name);
}

void CCaptureSettingsDlg::OnView() {
    m_dir = GetItemText(IDC_CAPTURE_DIR);
    m_name = GetItemText(IDC_CAPTURE_NAME);
    // The browser would open whatever answers to the names it lists there.
    if (ClassifyCaptureFolder(m_dir) == CaptureFolderKind::kDevice)
        return Refuse(kDeviceText, IDC_CAPTURE_DIR);
    CImageBrowserDlg browser(IDD_IMAGE_BROWSER);
    browser.SetSeries(m_dir, m_name, m_viewMode);
    SetStatus(browser.DoModal() == -1 ? kNothingToShowText : "");
}

void CCaptureSettingsDlg::OnOK() {
    const std::string dir = WithTrailingBackslash(GetItemText(IDC_CAPTURE_DIR));
    const std::string name = GetItemText(IDC_CAPTURE_NAME);
    switch (CheckCaptureEntry(dir, name, m_viewMode)) {
    case CCaptureEntryProblem::kName:
        return Refuse(kBadNameText, IDC_CAPTURE_NAME);
    case CCaptureEntryProblem::kDeviceName:
        return Refuse(kDeviceNameText, IDC_CAPTURE_NAME);
    case CCaptureEntryProblem::kDirectory:
        return Refuse(kBadDirText, IDC_CAPTURE_DIR);
    case CCaptureEntryProblem::kDevice:
        return Refuse(kDeviceText, IDC_CAPTURE_DIR);
    case CCaptureEntryProblem::kTooLong:
        return Refuse(kTooLongText, IDC_CAPTURE_DIR);
    case CCaptureEntryProblem::kNone:
        break;
    }
    // One level, as the capture expects it; a directory that cannot be made is not reported.
    CreateDirectoryA(dir.c_str(), nullptr);
    m_dir = dir;
    m_name = FitCaptureName(name);
    m_lossless = IsDlgButtonChecked(m_hWnd, IDC_CAPTURE_LOSSLESS) == BST_CHECKED;
    if (!StoreSettings()) {
        // The run does not end with OK, so the opener keeps the values that the capture still uses.
        SetStatus(kNotSavedText);
        return;
    }
    CDialog::OnOK();
}

void CCaptureSettingsDlg::Refuse(const char* text, int id) {
    SetStatus(text);
    HWND edit = GetItem(id);
    SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    SendMessageA(edit, EM_SETSEL, 0, -1);
}

void CCaptureSettingsDlg::SetStatus(const std::string& text) {
    SetItemText(IDC_STATUS, text);
}

bool CCaptureSettingsDlg::StoreSettings() const {
    return WriteCaptureSettings(m_viewMode, m_dir, m_name) && WriteCaptureLossless(m_lossless);
}

bool EditCaptureSettings(HWND owner, CActivatorSettings& settings) {
    CCaptureSettingsDlg dialog(owner);
    dialog.m_viewMode = settings.viewMode;
    dialog.m_dir = settings.dir;
    dialog.m_name = settings.name;
    dialog.m_lossless = settings.lossless;
    dialog.m_defaultDir = settings.defaultDir;
    dialog.m_defaultName = settings.defaultName;
    if (dialog.DoModal() != IDOK)
        return false;
    settings.viewMode = dialog.m_viewMode;
    settings.dir = dialog.m_dir;
    settings.name = dialog.m_name;
    settings.lossless = dialog.m_lossless;
    settings.defaultDir = dialog.m_defaultDir;
    settings.defaultName = dialog.m_defaultName;
    return true;
}
