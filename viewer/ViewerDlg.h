#pragma once
// The viewer's window: the captured-image browser on the capture settings stored in the registry, or,
// given a picture file or a folder, the browser on that folder (FolderBrowserDlg.h) in the stored view
// mode; with the codec made ready when the window is created and released when it is destroyed, and
// the application icon (shown when the window is minimised). When the window cannot open, it tells why.

#include "viewer/FolderBrowserDlg.h"

#include <string>

class CViewerDlg : public CFolderBrowserDlg {
public:
    CViewerDlg();

    // The picture file or folder to open instead of the stored capture series; set before DoModal.
    void SetPicturePath(const std::wstring& path) { m_picturePath = path; }

    // Reads "View Mode", "Dir" (else "Default Dir") and "Name" (else "Default Name") from the Capture
    // key; true only when a value of each was read.
    bool ReadCaptureSettings();

    // Why the creation failed, for the user: the codec is missing, the settings cannot be read, or there
    // is no picture to show. Empty while nothing failed.
    const std::wstring& FailureText() const noexcept { return m_failureText; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    // The window opened while its first picture was being prepared, and nothing can be shown: it says
    // why, as a failed creation does.
    void OnFoundNothing() override;

private:
    void OnPaintIcon();

    // The creation's steps after the window itself; false with m_failureText set.
    bool OpenPictures();
    bool OpenStoredSeries();
    bool OpenGivenPath();

    unsigned m_codecModules = 0;
    HICON m_icon;
    std::wstring m_picturePath;
    std::wstring m_failureText;
};
