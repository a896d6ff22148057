#include "display/StereoWindowDlg.h"

bool CStereoWindowDlg::PreTranslateMessage(MSG& message) {
    if (message.message == WM_KEYDOWN && (message.wParam == VK_ESCAPE || message.wParam == VK_RETURN) &&
        (message.hwnd == m_hWnd || IsChild(m_hWnd, message.hwnd))) {
        WindowProc(WM_KEYDOWN, message.wParam, message.lParam);
        return true;
    }
    return CDialog::PreTranslateMessage(message);
}

void CStereoWindowDlg::CoverScreen() {
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), 0);
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
