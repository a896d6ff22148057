#pragma once
// The test display (template 105): a top-most window over the controller's monitor that switches the
// stereo controller into the test's format with line-code flashes, then shows the two test bitmaps
// composed into one frame of the monitor's size, and on a key or mouse press flashes the Normal codes and
// ends. Until the frame has been drawn, presses are ignored; Escape and Return end it like any other key,
// never by themselves. Every other way out flashes the Normal codes as well (StereoWindowDlg.h).

#include "display/DibImage.h"
#include "display/StereoWindowDlg.h"
#include "framework/Handles.h"

class CTestDisplayDlg : public CStereoWindowDlg {
public:
    enum PaintState { kPositioning = -2, kCodePending = 0, kShowImage = 1 };

    explicit CTestDisplayDlg(HWND parent = nullptr);

    // The test: format 0 (Interlace), 1 (Sync Double) or 2 (Line Blank) and the test dialog's bitmaps,
    // borrowed for the run. Anything else, or an empty bitmap, makes the creation fail.
    void SetTest(int format, CDibImage* left, CDibImage* right);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    // A repaint while the Normal codes are flashed draws the frame again.
    void OnClosing() override;
    void OnMonitorChanged() override;

private:
    // The frame for the monitor's size, and for Sync Double the bands.
    void ComposeFrame();
    void OnPaint();
    void OnTimer(WPARAM id);
    // A key or mouse press: once the frame is shown, asks the window to end the test.
    void OnEndRequest();

    int m_imageShown = 0;
    int m_paintState = kCodePending;
    int m_viewMode = -1;
    CDibImage* m_pLeft = nullptr;
    CDibImage* m_pRight = nullptr;
    RECT m_topRect{};
    RECT m_bottomRect{};
    CBitmap m_frame;
};
