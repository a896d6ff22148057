#include "display/StereoWindowDlg.h"

#include "display/StereoFrame.h"
#include "settings/SettingsTypes.h"

bool CStereoWindowDlg::PreTranslateMessage(MSG& message) {
    if (message.message == WM_KEYDOWN && (message.wParam == VK_ESCAPE || message.wParam == VK_RETURN) &&
        (message.hwnd == m_hWnd || IsChild(m_hWnd, message.hwnd))) {
        WindowProc(WM_KEYDOWN, message.wParam, message.lParam);
        return true;
    }
    return CDialog::PreTranslateMessage(message);
}

LRESULT CStereoWindowDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kMsgClose:
        Close(false);
        return 1;
    case WM_CLOSE:
        // The dialog manager's own handling would end the run at once, without the closing flashes.
        PostMessageA(m_hWnd, kMsgClose, 0, 0);
        return 0;
    case WM_ENDSESSION:
        if (wParam)
            Close(false);
        return 0;
    case WM_WINDOWPOSCHANGING:
        // The window is about to leave the screen (it is destroyed without having closed, or someone
        // hides it): the closing flashes are made while it still shows them.
        if ((reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_HIDEWINDOW) && IsWindowVisible(m_hWnd))
            Close(false);
        break;
    case WM_DISPLAYCHANGE:
        OnDisplayChange();
        break;
    case WM_DPICHANGED:
        // Moved onto a monitor of another scale: the window stays exactly over its monitor in physical
        // pixels, where the dialog manager would scale its size.
        CoverScreen();
        return 0;
    case WM_DESTROY:
        // Never shown, or hidden without this window seeing it: the flashes go straight to the screen.
        Close(!IsWindowVisible(m_hWnd));
        break;
    default:
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CStereoWindowDlg::OnOK() {
    PostMessageA(m_hWnd, kMsgClose, 0, 0);
}

void CStereoWindowDlg::OnCancel() {
    PostMessageA(m_hWnd, kMsgClose, 0, 0);
}

void CStereoWindowDlg::OnModalQuit() {
    Close(false);
}

void CStereoWindowDlg::Close(bool onScreen) {
    if (m_closed)
        return;
    m_closed = true;
    OnClosing();
    if (m_handsBack)
        FlashClosingCodes(onScreen ? nullptr : m_hWnd, m_monitor);
    EndDialog(m_result);
}

void CStereoWindowDlg::CloseWithNothingShown() {
    m_result = -1;
    PostMessageA(m_hWnd, kMsgClose, 0, 0);
}

void CStereoWindowDlg::CoverScreen() {
    SetWindowPos(m_hWnd, HWND_TOPMOST, m_monitor.left, m_monitor.top, m_monitor.Width(), m_monitor.Height(),
                 0);
}

void CStereoWindowDlg::OnDisplayChange() {
    const CMonitorRect now = FindControllerMonitor().monitor.rect;
    if (m_closed || now == m_monitor)
        return;
    m_monitor = now;
    CoverScreen();
    OnMonitorChanged();
}

void CStereoWindowDlg::MakeOpeningFlashes(int viewMode) {
    m_handsBack = viewMode >= kViewInterlace && viewMode <= kViewLineBlank;
    FlashOpeningCodes(m_hWnd, m_monitor, viewMode);
}

void CStereoWindowDlg::HandBack() {
    if (!m_handsBack)
        return;
    m_handsBack = false;
    FlashClosingCodes(m_hWnd, m_monitor);
}

void CStereoWindowDlg::StartFramePause() {
    SetTimer(m_hWnd, kFrameTimer, 0, nullptr);
}

bool CStereoWindowDlg::EndFramePause(WPARAM timerId) {
    if (timerId != kFrameTimer)
        return false;
    KillTimer(m_hWnd, kFrameTimer);
    Invalidate(false);
    return true;
}
