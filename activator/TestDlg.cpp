#include "activator/TestDlg.h"

#include "activator/ActivatorSettings.h"
#include "activator/FileDialogs.h"
#include "activator/ModeTexts.h"
#include "activator/TestDisplayDlg.h"
#include "activator/TestDisplayRules.h"
#include "activator/ViewModeNames.h"
#include "activator/resource.h"
#include "framework/DiskFile.h"
#include "framework/Handles.h"
#include "settings/ControllerMonitor.h"
#include "settings/RegistryNames.h"
#include "settings/RegistryPath.h"
#include "settings/SettingsKeys.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <memory>

namespace {

constexpr char kLoadImagesFirstText[] = "Please load testing images first!";
constexpr char kNotABitmapText[] = "You must specify a windows bitmap file!";
constexpr char kLoadFailedText[] = "Load image failed!";
constexpr char kMonitorNotStoredText[] = "The monitor cannot be stored!";
constexpr char kBitmapFilter[] = "Windows Bitmap(*.bmp)\0*.bmp\0";

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

std::wstring WidePath(const std::string& path) {
    const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (length <= 1)
        return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length);
    wide.pop_back();
    return wide;
}

} // namespace

CTestDlg::CTestDlg(HWND parent) : CDialog(IDD_TEST, parent) {}

BOOL CTestDlg::OnInitDialog() {
    for (int i = 0; i < kTestFormatCount; ++i)
        SendItemMessage(IDC_TEST_FORMAT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kViewModeNames[i]));
    SendItemMessage(IDC_TEST_FORMAT, CB_SETCURSEL, kViewSyncDouble);

    for (Side side : {kLeft, kRight}) {
        RECT& preview = PreviewOf(side);
        GetWindowRect(GetItem(side == kLeft ? IDC_TEST_LEFT_PREVIEW : IDC_TEST_RIGHT_PREVIEW), &preview);
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&preview), 2);
        InflateRect(&preview, -2, -2);
    }

    LoadSettings();
    if (!LoadBitmap(kLeft)) {
        m_leftPath = m_defaultLeftPath;
        LoadBitmap(kLeft);
    }
    if (!LoadBitmap(kRight)) {
        m_rightPath = m_defaultRightPath;
        LoadBitmap(kRight);
    }
    UpdateTestButton(true);
    if (FillMonitorList() && GetItemText(IDC_STATUS).empty())
        SetStatus(kControllerMonitorGoneText);
    return TRUE;
}

bool CTestDlg::FillMonitorList() {
    m_monitors = ListMonitors();
    const CControllerMonitor controller = FindControllerMonitor(m_monitors);
    SendItemMessage(IDC_TEST_MONITOR, CB_RESETCONTENT);
    for (std::size_t i = 0; i < m_monitors.size(); ++i) {
        const std::string text =
            MonitorListText(m_monitors[i], MonitorNumber(m_monitors[i].device, static_cast<int>(i) + 1));
        SendItemMessage(IDC_TEST_MONITOR, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SendItemMessage(IDC_TEST_MONITOR, CB_SETCURSEL, controller.index ? *controller.index : WPARAM(-1));
    return controller.chosenGone;
}

void CTestDlg::OnMonitorChosen() {
    const LRESULT chosen = SendItemMessage(IDC_TEST_MONITOR, CB_GETCURSEL);
    if (chosen < 0 || static_cast<std::size_t>(chosen) >= m_monitors.size())
        return;
    if (!WriteMonitorChoice(m_monitors[static_cast<std::size_t>(chosen)]))
        SetStatus(kMonitorNotStoredText);
}

void CTestDlg::LoadSettings() {
    const CSettingsKeys keys({kDirName.Load()});
    keys.ReadString(kLeftImageValue.Load(), m_leftPath);
    keys.ReadString(kRightImageValue.Load(), m_rightPath);
    keys.ReadString(kDefaultLeftImageValue.Load(), m_defaultLeftPath);
    keys.ReadString(kDefaultRightImageValue.Load(), m_defaultRightPath);
}

void CTestDlg::SaveSettings() const {
    CRegistryKey key;
    if (!CreateCurrentVersionKey(key, HKEY_CURRENT_USER) || !key.Create(key, kDirName.Load()))
        return;
    // A shorter path is no path a user chose; the registry keeps what it had.
    if (m_leftPath.size() >= 2)
        key.WriteString(kLeftImageValue.Load(), m_leftPath);
    if (m_rightPath.size() >= 2)
        key.WriteString(kRightImageValue.Load(), m_rightPath);
}

bool CTestDlg::LoadBitmap(Side side) {
    CDibImage& image = ImageOf(side);
    image.Free();
    const std::wstring path = WidePath(PathOf(side));
    CFileHandle handle(path.empty() ? CFileHandle()
                                    : OpenDiskFile(path.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                                   FILE_FLAG_SEQUENTIAL_SCAN));
    if (!handle)
        return false;
    // The C library takes the handle over with the descriptor, and closes it with the stream.
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle.get()), _O_RDONLY | _O_BINARY);
    if (descriptor == -1)
        return false;
    handle.release();
    std::unique_ptr<std::FILE, FileCloser> file(_fdopen(descriptor, "rb"));
    if (!file) {
        _close(descriptor);
        return false;
    }
    return image.ReadBitmapFile(file.get());
}

void CTestDlg::UpdateTestButton(bool report) {
    const bool ready = !m_left.IsEmpty() && !m_right.IsEmpty();
    EnableItem(IDC_TEST_DO, ready);
    if (!ready && report)
        SetStatus(kLoadImagesFirstText);
}

void CTestDlg::SetStatus(const std::string& text) {
    SetItemText(IDC_STATUS, text);
}

void CTestDlg::OnLoad(Side side) {
    CFileDialogOptions options;
    options.flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
    options.defaultExtension = "bmp";
    options.filter = kBitmapFilter;
    std::string chosen;
    if (ChooseFile(m_hWnd, options, PathOf(side), chosen))
        UseChosenFile(side, chosen);
    else
        UpdateTestButton(false);
}

void CTestDlg::UseChosenFile(Side side, const std::string& path) {
    if (!HasBitmapExtension(path)) {
        SetStatus(kNotABitmapText);
    } else {
        PathOf(side) = path;
        if (LoadBitmap(side)) {
            InvalidateRect(m_hWnd, &PreviewOf(side), FALSE);
        } else {
            PathOf(side).clear();
            SetStatus(kLoadFailedText);
            // The side holds no bitmap now: its preview is cleared too.
            InvalidateRect(m_hWnd, &PreviewOf(side), TRUE);
        }
    }
    UpdateTestButton(false);
}

void CTestDlg::OnDoTest() {
    const int format = static_cast<int>(SendItemMessage(IDC_TEST_FORMAT, CB_GETCURSEL));
    SetStatus(format >= 0 && format < kTestFormatCount ? std::string("Test ") + kViewModeNames[format]
                                                       : std::string());
    CTestDisplayDlg display(m_hWnd);
    display.SetTest(format, &m_left, &m_right);
    display.DoModal();
}

void CTestDlg::OnPaint() {
    CPaintDC dc(m_hWnd);
    SetStretchBltMode(dc, COLORONCOLOR);
    for (Side side : {kLeft, kRight}) {
        const CDibImage& image = ImageOf(side);
        if (!image.IsEmpty())
            image.DrawStretched(dc, RECT{0, 0, image.GetWidth(), image.GetHeight()}, PreviewOf(side),
                                SRCCOPY);
    }
}

bool CTestDlg::OnCommand(WORD id, WORD notifyCode, HWND) {
    if (id == IDC_TEST_MONITOR && notifyCode == CBN_SELCHANGE) {
        OnMonitorChosen();
        return true;
    }
    if (notifyCode != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_TEST_LOAD_LEFT:
        OnLoad(kLeft);
        return true;
    case IDC_TEST_LOAD_RIGHT:
        OnLoad(kRight);
        return true;
    case IDC_TEST_DO:
        OnDoTest();
        return true;
    default:
        return false;
    }
}

LRESULT CTestDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_DESTROY:
        DefaultProc(message, wParam, lParam);
        SaveSettings();
        return 0;
    case WM_DISPLAYCHANGE:
        FillMonitorList();
        return 0;
    default:
        return CDialog::WindowProc(message, wParam, lParam);
    }
}
