#include "viewer/FolderBrowserDlg.h"

#include "display/FrameComposition.h"
#include "framework/Handles.h"
#include "settings/SettingsTypes.h"

#include <windowsx.h>

#include <algorithm>

namespace {

constexpr wchar_t kTitleSuffix[] = L" - Zelto Viewer";

CPictureSize ScreenSize() {
    return {static_cast<std::uint32_t>(std::max(GetSystemMetrics(SM_CXSCREEN), 0)),
            static_cast<std::uint32_t>(std::max(GetSystemMetrics(SM_CYSCREEN), 0))};
}

} // namespace

CFolderBrowserDlg::COpenResult CFolderBrowserDlg::OpenFolder(const std::wstring& path) {
    if (m_viewMode < kViewInterlace || m_viewMode > kViewFlat2D || !m_image)
        return COpenResult::kNoPicture;
    switch (m_folder.Open(path, m_viewMode != kViewFlat2D)) {
    case CPictureFolder::COpenResult::kOpened:
        break;
    case CPictureFolder::COpenResult::kNotFound:
        return COpenResult::kNotFound;
    case CPictureFolder::COpenResult::kNotAPicture:
        return COpenResult::kNotAPicture;
    case CPictureFolder::COpenResult::kNoPicture:
        return COpenResult::kNoPicture;
    }
    // A file given is shown itself or not at all; a folder from its first picture that can be read.
    if (m_folder.FolderGiven() ? !ShowFrom(0, 1) : !PreparePicture())
        return m_folder.FolderGiven() ? COpenResult::kNoPicture : COpenResult::kUnreadable;
    m_browsingFolder = true;
    return COpenResult::kOpened;
}

std::wstring CFolderBrowserDlg::PositionText() const {
    if (m_folder.Count() == 0)
        return {};
    return m_folder.Name() + L"   " + std::to_wstring(m_folder.Position() + 1) + L" / " +
           std::to_wstring(m_folder.Count());
}

bool CFolderBrowserDlg::PreparePicture() {
    CPictureLayout layout;
    layout.screen = ScreenSize();
    layout.fitted = m_fitted;
    // 2D shows one eye: only that one is decoded.
    if (m_viewMode == kViewFlat2D)
        layout.eyes = m_swapped ? CEyeChoice::kRight : CEyeChoice::kLeft;
    // The picture shown stays until another one is ready.
    CStereoPicture picture;
    if (!LoadStereoPicture(m_folder.Path(), m_folder.Kind(), layout, picture) ||
        !ComposeStereoFrame(picture, m_viewMode, m_swapped, *m_image, static_cast<int>(layout.screen.width),
                            static_cast<int>(layout.screen.height)))
        return false;
    m_picture.left.Swap(picture.left);
    m_picture.right.Swap(picture.right);
    return true;
}

bool CFolderBrowserDlg::ShowFrom(std::size_t start, int step) {
    const std::size_t count = m_folder.Count();
    const std::size_t was = m_folder.Position();
    for (std::size_t tried = 0; tried < count; ++tried) {
        m_folder.MoveTo(step > 0 ? (start + tried) % count : (start + count - tried) % count);
        if (PreparePicture())
            return true;
    }
    m_folder.MoveTo(was);
    return false;
}

void CFolderBrowserDlg::Go(std::size_t start, int step) {
    ShowFrom(start, step);
    ShowPosition();
    Invalidate(false);
}

void CFolderBrowserDlg::Step(int step) {
    const std::size_t count = m_folder.Count();
    Go((m_folder.Position() + (step > 0 ? 1 : count - 1)) % count, step);
}

void CFolderBrowserDlg::ShowPosition() {
    m_positionShown = true;
    SetWindowTextW(m_hWnd, (PositionText() + kTitleSuffix).c_str());
    SetTimer(m_hWnd, kPositionTimer, kPositionMilliseconds, nullptr);
}

bool CFolderBrowserDlg::OnKeyDown(WPARAM key) {
    if (!m_imageShown)
        return false;
    switch (key) {
    case VK_NEXT:
    case VK_DOWN:
    case VK_RIGHT:
    case VK_SPACE:
        Step(1);
        return true;
    case VK_PRIOR:
    case VK_UP:
    case VK_LEFT:
    case VK_BACK:
        Step(-1);
        return true;
    case VK_HOME:
        Go(0, 1);
        return true;
    case VK_END:
        Go(m_folder.Count() - 1, -1);
        return true;
    case 'F':
        m_fitted = !m_fitted;
        ShowFrom(m_folder.Position(), 1);
        Invalidate(false);
        return true;
    case 'S':
        m_swapped = !m_swapped;
        if (m_viewMode == kViewFlat2D)
            ShowFrom(m_folder.Position(), 1);
        else
            ComposeStereoFrame(m_picture, m_viewMode, m_swapped, *m_image, GetSystemMetrics(SM_CXSCREEN),
                               GetSystemMetrics(SM_CYSCREEN));
        Invalidate(false);
        return true;
    default:
        return false;
    }
}

void CFolderBrowserDlg::OnMouseWheel(WPARAM wParam) {
    if (!m_imageShown)
        return;
    // A wheel of finer steps adds up to whole notches.
    m_wheel += GET_WHEEL_DELTA_WPARAM(wParam);
    for (; m_wheel >= WHEEL_DELTA; m_wheel -= WHEEL_DELTA)
        Step(-1);
    for (; m_wheel <= -WHEEL_DELTA; m_wheel += WHEEL_DELTA)
        Step(1);
}

void CFolderBrowserDlg::DrawFrame(HDC dc) {
    CImageBrowserDlg::DrawFrame(dc);
    if (m_browsingFolder && m_positionShown)
        DrawPosition(dc);
}

void CFolderBrowserDlg::DrawPosition(HDC dc) const {
    const int width = GetDeviceCaps(dc, HORZRES);
    const int height = GetDeviceCaps(dc, VERTRES);
    // Sync Double shows each band stretched to the screen's height: the text is drawn half as high, in
    // both bands, so that both eyes see it alike.
    const bool bands = m_viewMode == kViewSyncDouble;
    const int textHeight = std::max(10, height / (bands ? 72 : 36));
    CFont font(CreateFontW(-textHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                           L"Segoe UI"));
    CSelectObject selection(dc, font);
    CBrush background(CreateSolidBrush(kPositionBackground));
    const std::wstring text = PositionText();
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    const int margin = textHeight / 2;
    const int previousMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF previousColour = SetTextColor(dc, RGB(255, 255, 255));
    const auto drawAbove = [&](int bottom) {
        const RECT box{margin, bottom - margin - extent.cy - margin,
                       std::min<LONG>(width, 3 * margin + extent.cx), bottom - margin};
        FillRect(dc, &box, background);
        TextOutW(dc, box.left + margin, box.top + margin / 2, text.c_str(), static_cast<int>(text.size()));
    };
    if (bands)
        drawAbove(SyncDoubleRows(width, height, m_gapAdjust).topEnd);
    drawAbove(height);
    SetTextColor(dc, previousColour);
    SetBkMode(dc, previousMode);
}

LRESULT CFolderBrowserDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_browsingFolder)
        return CImageBrowserDlg::WindowProc(message, wParam, lParam);
    switch (message) {
    case WM_KEYDOWN:
        if (OnKeyDown(wParam))
            return 0;
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (m_imageShown)
            Step(message == WM_LBUTTONDOWN ? 1 : -1);
        return 0;
    case WM_MOUSEWHEEL:
        OnMouseWheel(wParam);
        return 0;
    case WM_TIMER:
        if (wParam == kPositionTimer) {
            KillTimer(m_hWnd, kPositionTimer);
            m_positionShown = false;
            Invalidate(false);
            return 0;
        }
        if (wParam == kFrameTimer) {
            // The first frame: its name and position with it.
            const LRESULT result = CImageBrowserDlg::WindowProc(message, wParam, lParam);
            ShowPosition();
            return result;
        }
        break;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    default:
        break;
    }
    return CImageBrowserDlg::WindowProc(message, wParam, lParam);
}
