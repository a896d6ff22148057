#include "activator/TestDisplayDlg.h"

#include "activator/ActivatorSettings.h"
#include "activator/TestDisplayRules.h"
#include "activator/resource.h"
#include "display/StereoFrame.h"

namespace {

RECT RectOf(const CTestBand& band) {
    return RECT{band.left, band.top, band.right, band.bottom};
}

} // namespace

CTestDisplayDlg::CTestDisplayDlg(HWND parent) : CStereoWindowDlg(IDD_TEST_DISPLAY, parent) {}

void CTestDisplayDlg::SetTest(int format, CDibImage* left, CDibImage* right) {
    m_viewMode = format;
    m_pLeft = left;
    m_pRight = right;
}

BOOL CTestDisplayDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_paintState = kPositioning;
    CoverScreen();
    ComposeFrame();
    m_paintState = kCodePending;
    return TRUE;
}

void CTestDisplayDlg::ComposeFrame() {
    const int width = Monitor().Width();
    const int height = Monitor().Height();
    {
        CWindowDC dc(m_hWnd);
        m_frame.reset(CreateCompatibleBitmap(dc, width, height));
    }
    if (m_viewMode == kViewSyncDouble) {
        const CTestBands bands = TestDisplayBands(width, height);
        m_topRect = RectOf(bands.top);
        m_bottomRect = RectOf(bands.bottom);
    }
    ComposeTestFrame(m_hWnd, m_viewMode, m_pLeft, m_pRight, m_frame, m_topRect, m_bottomRect);
}

void CTestDisplayDlg::OnMonitorChanged() {
    ComposeFrame();
    m_imageShown = 0;
    m_paintState = kCodePending;
    Invalidate(false);
}

void CTestDisplayDlg::OnPaint() {
    CPaintDC dc(m_hWnd);
    switch (m_paintState) {
    case kCodePending:
        MakeOpeningFlashes(m_viewMode);
        StartFramePause();
        break;
    case kShowImage: {
        CMemoryDC frameDC(CreateCompatibleDC(dc));
        if (frameDC) {
            CSelectObject selection(frameDC, m_frame);
            BitBlt(dc, 0, 0, Monitor().Width(), Monitor().Height(), frameDC, 0, 0, SRCCOPY);
        }
        m_imageShown = 1;
        break;
    }
    default:
        break;
    }
}

void CTestDisplayDlg::OnTimer(WPARAM id) {
    if (EndFramePause(id))
        m_paintState = kShowImage;
}

void CTestDisplayDlg::OnEndRequest() {
    if (m_imageShown == 1)
        PostMessageA(m_hWnd, kMsgClose, 0, 0);
}

void CTestDisplayDlg::OnClosing() {
    m_imageShown = 0;
    m_paintState = kShowImage;
}

LRESULT CTestDisplayDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        if (DefaultProc(message, wParam, lParam) == -1 || m_viewMode < kViewInterlace ||
            m_viewMode > kViewLineBlank || !m_pLeft || !m_pRight || m_pLeft->IsEmpty() || m_pRight->IsEmpty())
            return -1;
        return 0;
    }
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        break;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        OnEndRequest();
        break;
    case WM_DESTROY: {
        const LRESULT result = CStereoWindowDlg::WindowProc(message, wParam, lParam);
        m_frame.reset();
        return result;
    }
    default:
        break;
    }
    return CStereoWindowDlg::WindowProc(message, wParam, lParam);
}
