#pragma once
// What the full-screen stereo windows (the captured-image browser and the test display) share: they
// cover exactly the controller's monitor (settings/ControllerMonitor.h) in the top-most band, and
// nothing of any other monitor; switch the stereo controller with their opening flashes, in that
// monitor's top rows, on their first paint; pause with a timer of 0 ms between those flashes and the
// first frame; keep Escape and Return away from the dialog manager; and hand the controller back
// however they end. When the display changes so that the controller's monitor is another one (the
// chosen monitor goes and the primary stands in, or it comes back), they move onto it and start there
// afresh. They draw in the monitor's physical pixels whatever its scale.
//
// Every way out goes through one closing, run once: the window's own OnClosing, then, when its opening
// flashes switched the controller out of normal display, the closing flashes (double Normal, then
// Normal), then the end of the modal run with result 1 (-1 when the window found nothing to show).
// - The window's own close message (kMsgClose, posted by its keys), WM_CLOSE (Alt+F4, the system's or
//   another program's close request) and IDOK or IDCANCEL (from the dialog manager or another
//   program): the closing runs from the close message, with the flashes on the window.
// - The end of the session (WM_ENDSESSION): the closing runs at once, before the process may end.
// - The thread's quit message ending the modal loop (the program ends): the closing runs at once, before
//   the owner is activated again (which may bring the owner over the window's top rows).
// - A window destroyed without having closed (its owner destroyed), or hidden by someone: the closing
//   runs when the window is about to be hidden, with the flashes on the window while it still shows.
// Every flash is on the screen for its whole time (StereoFrame.h).

#include "framework/Dialog.h"
#include "settings/ControllerMonitor.h"

class CStereoWindowDlg : public CDialog {
public:
    static constexpr UINT_PTR kFrameTimer = 1;
    // Posted by the window to itself to close.
    static constexpr UINT kMsgClose = WM_USER + 1;

    using CDialog::CDialog;

    // A WM_KEYDOWN of Escape or Return to the window goes straight to its WM_KEYDOWN handling and no
    // further; every other message to the dialog's handling.
    bool PreTranslateMessage(MSG& message) override;

protected:
    // The closing paths above; a derived window hands every message it does not end itself to this
    // procedure, WM_DESTROY included (before freeing what it holds).
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
    void OnCancel() override;
    void OnModalQuit() override;
    // The window's own part of its closing, before the closing flashes; called once.
    virtual void OnClosing() {}

    // The monitor that the window covers, in physical pixels (the suite's programs are per-monitor DPI
    // aware): the controller's monitor when the window was made or the display last changed.
    const CMonitorRect& Monitor() const noexcept { return m_monitor; }
    // Puts the window in the top-most band over exactly that monitor.
    void CoverScreen();
    // The controller's monitor changed (WM_DISPLAYCHANGE: it went, came back or changed its size) and the
    // window covers the new one: the window makes its frame for the new size and, when it has made its
    // opening flashes, makes them again, on its next paint, for the controller now watching.
    virtual void OnMonitorChanged() {}
    // The opening flashes of `viewMode` (StereoFrame.h). From then on the closing flashes follow, for
    // the stereo view modes; 2D hands nothing back.
    void MakeOpeningFlashes(int viewMode);
    // Hands the controller back at once, with the closing flashes on the window, when the opening
    // flashes switched it out of normal display; the closing then flashes nothing, until the opening
    // flashes are made again.
    void HandBack();
    // Starts the pause after the opening flashes: the timer fires as soon as the queue is idle.
    void StartFramePause();
    // For the pause's timer: stops it and invalidates the whole window without erasing; true then.
    bool EndFramePause(WPARAM timerId);
    // Closes the window as its own close message does, but ends the modal run with -1: the window
    // opened and then found nothing that it could show.
    void CloseWithNothingShown();

private:
    // The closing, once: OnClosing, the closing flashes (on the window or, with `onScreen`, on the
    // screen itself, for a window no longer shown) and the end of the modal run.
    void Close(bool onScreen);
    void OnDisplayChange();

    CMonitorRect m_monitor = FindControllerMonitor().monitor.rect;
    bool m_handsBack = false;
    bool m_closed = false;
    INT_PTR m_result = 1;
};
