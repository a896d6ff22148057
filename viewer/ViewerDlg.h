#pragma once
// The viewer's window: the captured-image browser on the capture settings stored in the registry,
// with the codec made ready when the window is created and released when it is destroyed, and the
// application icon (shown when the window is minimised). When the window cannot open, it tells why.

#include "display/ImageBrowserDlg.h"

class CViewerDlg : public CImageBrowserDlg {
public:
    CViewerDlg();

    // Reads "View Mode", "Dir" (else "Default Dir") and "Name" (else "Default Name") from the Capture
    // key; true only when a value of each was read.
    bool ReadCaptureSettings();

    // Why the creation failed, for the user: the codec is missing, the settings cannot be read, or the
    // series has no picture to show. Empty while nothing failed.
    const std::string& FailureText() const noexcept { return m_failureText; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;

private:
    void OnPaintIcon();

    // The creation's steps after the window itself; false with m_failureText set.
    bool OpenStoredSeries();

    unsigned m_codecModules = 0;
    HICON m_icon;
    std::string m_failureText;
};
