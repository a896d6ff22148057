#include "display/ImageBrowserDlg.h"

#include "display/JpegCodec.h"
#include "display/StereoFrame.h"
#include "framework/Handles.h"
#include "settings/SettingsTypes.h"

CImageBrowserDlg::CImageBrowserDlg(UINT templateId)
    : CStereoWindowDlg(templateId), m_image(std::make_unique<CDibImage>()) {}

CImageBrowserDlg::~CImageBrowserDlg() = default;

void CImageBrowserDlg::SetSeries(const std::string& dir, const std::string& name, std::int32_t viewMode) {
    m_dir = dir;
    m_name = name;
    m_viewMode = viewMode;
}

std::string CImageBrowserDlg::SeriesPattern(const std::string& dir, const std::string& name,
                                            std::int32_t viewMode) {
    return dir + name + (viewMode == kViewFlat2D ? "??.jpg" : "??.jps");
}

bool CImageBrowserDlg::LoadImageFile(const std::string& path, CDibImage* holder) {
    if (!holder)
        return false;
    CGlobalMemory dib(DecodeJpegFile(path.c_str()));
    if (!dib)
        return false;
    CGlobalLock<const std::uint8_t> bytes(dib);
    return bytes && holder->LoadPackedDib(bytes.get(), GlobalSize(dib));
}

bool CImageBrowserDlg::OpenSeries() {
    if (m_viewMode < kViewInterlace || m_viewMode > kViewFlat2D || !m_image || m_dir.size() < 2 ||
        m_name.empty())
        return false;
    m_name = SeriesPattern(m_dir, m_name, m_viewMode);

    WIN32_FIND_DATAA found;
    CFindHandle finder(FindFirstFileA(m_name.c_str(), &found));
    if (!finder)
        return false;
    do
        m_files.emplace_back(found.cFileName);
    while (FindNextFileA(finder, &found));

    m_current = 0;
    return LoadCurrentImage(true);
}

bool CImageBrowserDlg::LoadCurrentImage(bool forward) {
    if (!m_current && !m_files.empty())
        m_current = forward ? 0 : m_files.size() - 1;
    const bool interleaved = m_viewMode == kViewInterlace || m_viewMode == kViewLineBlank;
    CDibImage picture;
    CDibImage* target = interleaved ? &picture : m_image.get();
    bool loaded = false;
    while (m_current) {
        target->Free();
        if (LoadImageFile(m_dir + m_files[*m_current], target)) {
            loaded = true;
            break;
        }
        Advance(forward);
    }
    if (loaded && interleaved && !ComposeInterleavedFrame(picture, *m_image)) {
        // No memory for the frame: the step fails like one that found no picture, and the last frame
        // stays.
        m_current.reset();
        loaded = false;
    }
    return loaded;
}

BOOL CImageBrowserDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_paintState = kPositioning;
    CoverScreen();
    m_paintState = kCodePending;
    return TRUE;
}

void CImageBrowserDlg::OnPaint() {
    CPaintDC dc(m_hWnd);
    const int previousMode = SetStretchBltMode(dc, COLORONCOLOR);
    switch (m_paintState) {
    case kCodePending:
        MakeOpeningFlashes(m_viewMode);
        StartFramePause();
        break;
    case kShowImage:
        DrawFrame(dc);
        m_imageShown = true;
        break;
    default:
        break;
    }
    if (previousMode)
        SetStretchBltMode(dc, previousMode);
}

void CImageBrowserDlg::DrawFrame(HDC dc) {
    if (m_viewMode == kViewSyncDouble)
        DrawSyncDouble(dc, *m_image, m_gapAdjust);
    else
        DrawFrameCentred(dc, *m_image);
}

void CImageBrowserDlg::OnTimer(WPARAM id) {
    if (EndFramePause(id))
        m_paintState = kShowImage;
}

void CImageBrowserDlg::Advance(bool forward) {
    if (!m_current)
        return;
    if (forward && *m_current + 1 < m_files.size())
        ++*m_current;
    else if (!forward && *m_current > 0)
        --*m_current;
    else
        m_current.reset();
}

void CImageBrowserDlg::Step(bool forward) {
    Advance(forward);
    LoadCurrentImage(forward);
    Invalidate(false);
}

void CImageBrowserDlg::OnKeyDown(WPARAM key) {
    if (!m_imageShown)
        return;
    switch (key) {
    case VK_NEXT:
    case VK_DOWN:
        Step(true);
        break;
    case VK_PRIOR:
        Step(false);
        break;
    case VK_ESCAPE:
        PostMessageA(m_hWnd, kMsgClose, 0, 0);
        break;
    case VK_ADD:
    case VK_SUBTRACT:
        if (m_viewMode != kViewSyncDouble)
            break;
        if (key == VK_ADD && m_gapAdjust < kGapAdjustLimit)
            ++m_gapAdjust;
        else if (key == VK_SUBTRACT && m_gapAdjust > -kGapAdjustLimit)
            --m_gapAdjust;
        Invalidate(false);
        break;
    default:
        break;
    }
}

void CImageBrowserDlg::OnClosing() {
    m_imageShown = false;
    m_paintState = kClosing;
}

void CImageBrowserDlg::OnDestroy() {
    if (m_image) {
        m_image->Free();
        m_image.reset();
    }
    m_files.clear();
    m_current.reset();
}

LRESULT CImageBrowserDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        if (DefaultProc(message, wParam, lParam) == -1 || !OpenSeries())
            return -1;
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        break;
    case WM_KEYDOWN:
        OnKeyDown(wParam);
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (m_imageShown)
            Step(message == WM_LBUTTONDOWN);
        break;
    case WM_GETDLGCODE:
        // The dialog manager would spend the arrow keys on moving the focus; the down arrow pages.
        return DLGC_WANTARROWS;
    case WM_DESTROY: {
        const LRESULT result = CStereoWindowDlg::WindowProc(message, wParam, lParam);
        OnDestroy();
        return result;
    }
    default:
        break;
    }
    return CStereoWindowDlg::WindowProc(message, wParam, lParam);
}
