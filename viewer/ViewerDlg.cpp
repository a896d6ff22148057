#include "viewer/ViewerDlg.h"

#include "display/CodecRuntime.h"
#include "display/JpegCodec.h"
#include "framework/Handles.h"
#include "framework/Resources.h"
#include "settings/CaptureSettings.h"
#include "viewer/resource.h"

#include <utility>

namespace {

constexpr wchar_t kNoCodecText[] =
    L"The pictures cannot be shown: this system has no JPEG decoder (Windows Imaging Component).";
constexpr wchar_t kNoSettingsText[] =
    L"There are no capture settings to show pictures from. Choose them in the Activator's Capture Settings.";
constexpr wchar_t kNothingToShowText[] = L"There is no picture to show in ";
constexpr wchar_t kNotFoundText[] = L"The viewer cannot find ";
constexpr wchar_t kNotAPictureText[] =
    L" is not a picture that the viewer shows: it shows .jps, .mpo, .pns, .jpg and .png files.";
constexpr wchar_t kUnreadableText[] = L" cannot be shown: it is not a picture that can be read.";

} // namespace

// The icon is a shared resource icon: it is never destroyed.
CViewerDlg::CViewerDlg()
    : CFolderBrowserDlg(IDD_ZELTOVIEWER_DIALOG),
      m_icon(LoadIconA(ResourceInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

bool CViewerDlg::ReadCaptureSettings() {
    CCaptureSettings settings;
    if (!::ReadCaptureSettings(settings).Complete())
        return false;
    m_viewMode = settings.viewMode;
    m_dir = std::move(settings.dir);
    m_name = std::move(settings.name);
    return true;
}

bool CViewerDlg::OpenPictures() {
    m_codecModules = kCodecModules;
    if (LoadCodecModules(m_codecModules) != m_codecModules) {
        m_failureText = kNoCodecText;
        return false;
    }
    return m_picturePath.empty() ? OpenStoredSeries() : OpenGivenPath();
}

bool CViewerDlg::OpenStoredSeries() {
    if (!ReadCaptureSettings()) {
        m_failureText = kNoSettingsText;
        return false;
    }
    const std::string pattern = SeriesPattern(m_dir, m_name, m_viewMode);
    if (!OpenSeries()) {
        m_failureText = kNothingToShowText + Widen(pattern.c_str()) + L".";
        return false;
    }
    return true;
}

bool CViewerDlg::OpenGivenPath() {
    // Only the view mode counts here; without a usable one, the suite's default.
    CCaptureSettings settings;
    ::ReadCaptureSettings(settings);
    m_viewMode = settings.viewMode >= kViewInterlace && settings.viewMode <= kViewFlat2D ? settings.viewMode
                                                                                         : kViewSyncDouble;
    switch (OpenFolder(m_picturePath)) {
    case COpenResult::kOpened:
        return true;
    case COpenResult::kNotFound:
        m_failureText = kNotFoundText + m_picturePath + L".";
        break;
    case COpenResult::kNotAPicture:
        m_failureText = m_picturePath + kNotAPictureText;
        break;
    case COpenResult::kUnreadable:
        m_failureText = m_picturePath + kUnreadableText;
        break;
    case COpenResult::kNoPicture:
        m_failureText = kNothingToShowText + m_picturePath + L".";
        break;
    }
    return false;
}

void CViewerDlg::OnFoundNothing() {
    if (m_picturePath.empty())
        m_failureText = kNothingToShowText + Widen(m_name.c_str()) + L".";
    else if (m_folder.FolderGiven())
        m_failureText = kNothingToShowText + m_picturePath + L".";
    else
        m_failureText = m_picturePath + kUnreadableText;
    CFolderBrowserDlg::OnFoundNothing();
}

BOOL CViewerDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    CoverScreen();
    m_paintState = kCodePending;
    return TRUE;
}

void CViewerDlg::OnPaintIcon() {
    CPaintDC dc(m_hWnd);
    SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0);
    RECT client;
    GetClientRect(m_hWnd, &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_icon);
}

LRESULT CViewerDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        if (DefaultProc(message, wParam, lParam) == -1 || !OpenPictures())
            return -1;
        return 0;
    case WM_PAINT:
        if (!IsIconic(m_hWnd))
            break;
        OnPaintIcon();
        return 0;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_icon);
    case WM_DESTROY: {
        LRESULT result = CFolderBrowserDlg::WindowProc(message, wParam, lParam);
        UnloadCodecModules(m_codecModules);
        return result;
    }
    default:
        break;
    }
    return CFolderBrowserDlg::WindowProc(message, wParam, lParam);
}
