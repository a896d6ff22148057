#pragma once
// The viewer's window: the captured-image browser on the capture settings stored in the registry,
// with the codec made ready when the window is created and released when it is destroyed, and the
// application icon (shown when the window is minimised).

#include "display/ImageBrowserDlg.h"

class CViewerDlg : public CImageBrowserDlg {
public:
    CViewerDlg();

    // Reads "View Mode", "Dir" (else "Default Dir") and "Name" (else "Default Name") from the Capture
    // key; true only when a value of each was read.
    bool ReadCaptureSettings();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;

private:
    void OnPaintIcon();

    unsigned m_codecModules = 0;
    HICON m_icon;
};
