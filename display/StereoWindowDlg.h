#pragma once
// What the full-screen stereo windows (the captured-image browser and the test display) share: they
// cover the whole primary screen in the top-most band, pause with a timer of 0 ms between the opening
// flashes and the first frame, and keep Escape and Return away from the dialog manager, which would
// otherwise end them with IDCANCEL or IDOK.

#include "framework/Dialog.h"

class CStereoWindowDlg : public CDialog {
public:
    static constexpr UINT_PTR kFrameTimer = 1;

    using CDialog::CDialog;

    // A WM_KEYDOWN of Escape or Return to the window goes straight to its WM_KEYDOWN handling and no
    // further; every other message to the dialog's handling.
    bool PreTranslateMessage(MSG& message) override;

protected:
    // Puts the window in the top-most band over the whole primary screen (SM_CXSCREEN x SM_CYSCREEN).
    void CoverScreen();
    // Starts the pause after the opening flashes: the timer fires as soon as the queue is idle.
    void StartFramePause();
    // For the pause's timer: stops it and invalidates the whole window without erasing; true then.
    bool EndFramePause(WPARAM timerId);
};
