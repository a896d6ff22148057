#pragma once
// The captured-image browser: a borderless, top-most window over the whole screen that pages through
// a capture series (directory + base name + two characters + ".jps", or ".jpg" in 2D) in the series'
// stereo format. Its first paint switches the stereo controller with line-code flashes, the paints
// after it draw the prepared frame, and closing hands the controller back to normal display.
//
// The opener constructs it, hands over directory, name and view mode with SetSeries and runs it with
// DoModal. The creation fails (DoModal returns -1 and nothing is shown) for a view mode outside 0 to 3,
// a directory of fewer than 2 characters, an empty name, no matching file or no decodable one.
// Decoding happens in the key and mouse handlers; paints only draw. Return does nothing; Escape closes
// only through the close message, after the closing flashes; every other way out hands the controller
// back as well (StereoWindowDlg.h).

#include "display/DibImage.h"
#include "display/StereoWindowDlg.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CImageBrowserDlg : public CStereoWindowDlg {
public:
    enum PaintState : std::int32_t { kPositioning = -2, kCodePending = 0, kShowImage = 1, kClosing = 2 };
    static constexpr int kGapAdjustLimit = 20;

    // `templateId`: an empty pop-up dialog template of the program.
    explicit CImageBrowserDlg(UINT templateId);
    ~CImageBrowserDlg() override;

    // The series to show: `dir` is used as a plain prefix of the file names (so only a directory that
    // ends with a backslash finds the files in it), `name` is the base name, `viewMode` a ViewMode.
    void SetSeries(const std::string& dir, const std::string& name, std::int32_t viewMode);

    // The files of a series: `dir` + `name` + two characters + ".jpg" for 2D, ".jps" for the other
    // view modes.
    static std::string SeriesPattern(const std::string& dir, const std::string& name, std::int32_t viewMode);

    // Decodes the JPEG file at `path` into the empty `holder`. False when there is no holder or the
    // file cannot be decoded (missing, empty, damaged or foreign files among them).
    static bool LoadImageFile(const std::string& path, CDibImage* holder);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    // Nothing is drawn from the start of the closing on.
    void OnClosing() override;

    // The creation's own steps: checks, the file list, the first picture. False fails the creation.
    bool OpenSeries();
    void OnPaint();
    // Draws the prepared frame once the opening flashes are over: Sync Double's two bands, or the
    // frame centred.
    virtual void DrawFrame(HDC dc);
    // Loads the file at m_current, moving on in the direction of travel past files that cannot be
    // decoded, without wrapping; true when a picture was loaded and its frame prepared.
    bool LoadCurrentImage(bool forward);

    std::int32_t m_viewMode = -1;
    bool m_imageShown = false;
    std::int32_t m_paintState = kCodePending;
    // The frame to draw: the picture itself (Sync Double, 2D) or the interleaved frame.
    std::unique_ptr<CDibImage> m_image;
    std::string m_dir;
    // The base name; once the window is created, the search pattern.
    std::string m_name;
    std::vector<std::string> m_files;
    // The file shown; none when the next load starts again at the head or the tail.
    std::optional<std::size_t> m_current;
    int m_gapAdjust = 0;

private:
    void OnTimer(WPARAM id);
    void OnKeyDown(WPARAM key);
    // Moves m_current one entry on; past either end of the list it becomes none.
    void Advance(bool forward);
    // Next (forward) or previous picture: move, load, repaint.
    void Step(bool forward);
    void OnDestroy();
};
