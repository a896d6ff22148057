#include "activator/CaptureSettingsDlg.h"

#include "activator/CapturePathRules.h"
#include "activator/FileDialogs.h"
#include "activator/ViewModeNames.h"
#include "activator/resource.h"
#include "display/ImageBrowserDlg.h"
#include "settings/CaptureSettings.h"
#include "settings/SettingsRules.h"

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
    SetItemText(IDC_CAPTURE_DIR, m_dir);
    SetItemText(IDC_CAPTURE_NAME, m_name);
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
    CImageBrowserDlg browser(IDD_IMAGE_BROWSER);
    browser.SetSeries(m_dir, m_name, m_viewMode);
    browser.DoModal();
}

void CCaptureSettingsDlg::OnOK() {
    std::string dir = WithTrailingBackslash(GetItemText(IDC_CAPTURE_DIR));
    // One level, as the capture expects it; a directory that cannot be made is not reported.
    CreateDirectoryA(dir.c_str(), nullptr);
    m_dir = std::move(dir);
    m_name = FitCaptureName(GetItemText(IDC_CAPTURE_NAME));
    StoreSettings();
    CDialog::OnOK();
}

void CCaptureSettingsDlg::StoreSettings() const {
    WriteCaptureSettings(m_viewMode, m_dir, m_name);
}

bool EditCaptureSettings(HWND owner, CActivatorSettings& settings) {
    CCaptureSettingsDlg dialog(owner);
    dialog.m_viewMode = settings.viewMode;
    dialog.m_dir = settings.dir;
    dialog.m_name = settings.name;
    dialog.m_defaultDir = settings.defaultDir;
    dialog.m_defaultName = settings.defaultName;
    if (dialog.DoModal() != IDOK)
        return false;
    settings.viewMode = dialog.m_viewMode;
    settings.dir = dialog.m_dir;
    settings.name = dialog.m_name;
    settings.defaultDir = dialog.m_defaultDir;
    settings.defaultName = dialog.m_defaultName;
    return true;
}
