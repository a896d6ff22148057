#pragma once
// The captured-image browser: a borderless, top-most window over the whole screen that pages through
// a capture series (directory + base name + two characters + ".jps" or the lossless ".pns", in 2D
// ".jpg" or ".png") in the series' stereo format. Its first paint switches the stereo controller with
// line-code flashes, the paints after it draw the prepared frame, and closing hands the controller
// back to normal display.
//
// The opener constructs it, hands over directory, name and view mode with SetSeries and runs it with
// DoModal. The creation fails (DoModal returns -1 and nothing is shown) for a view mode outside 0 to 3,
// a directory of fewer than 2 characters, an empty name, no matching file or, as far as the creation
// finds out, no decodable one. Return does nothing; Escape closes only through the close message,
// after the closing flashes; every other way out hands the controller back as well
// (StereoWindowDlg.h).
//
// Pictures are decoded and their frames composed off the window's thread (PicturePreparer.h), the
// first one too: the creation waits for it kFirstPictureWait at the most, so that the opener's window
// never stops answering for longer. A first picture that takes longer shows once it is ready, the
// window showing that it prepares one meanwhile and answering as usual; should no file of the series
// turn out to decode, the window closes and DoModal returns -1. While a picture is shown, the next
// and the previous one are made ready: a step onto one of them shows it at once; otherwise the frame
// shown stays until the new one is ready, and further steps move on from the picture chosen, whose
// frame alone is shown. A file that cannot be shown for a lasting reason is passed over without being
// read again until the series' listing is read anew, which a step does once the directory has
// changed; one that cannot be read now (another program holds it, say) is tried again at the next
// step that names it. No frame is larger than the screen (twice as wide in Sync Double): a picture
// larger than the screen is cut to what the screen shows of it, or in Sync Double scaled down to the
// screen's size in each direction, as it is decoded.
//
// A shows a stereo series in the red-cyan anaglyph instead of the view mode, and back: the controller
// is switched to normal display with the closing flashes on the way to the anaglyph, and back into the
// view mode with its opening flashes; a window that opens in the anaglyph (the user's stored choice,
// ViewerSettings.h) flashes nothing on opening or closing. A stores the choice; in 2D it only says
// that there is no anaglyph. P starts and stops a slideshow: the next picture every "Slideshow
// Seconds", from the last back to the first, each step a step as Page Down makes it (prepared
// beforehand, so shown at once); a step by a key or a button starts the wait anew. What A and P do is
// said for kNoticeMilliseconds at the bottom left, in a box as the viewer's name and position are.

#include "display/DibImage.h"
#include "display/PicturePreparer.h"
#include "display/PreparingThreads.h"
#include "display/StereoWindowDlg.h"

#include <chrono>
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
    // The longest that the creation waits for the first picture.
    static constexpr std::chrono::milliseconds kFirstPictureWait{100};
    // What the window shows while it prepares its first picture.
    static constexpr wchar_t kPreparingText[] = L"Preparing the picture ...";
    // The box at the bottom left that says for a moment what a key did.
    static constexpr UINT_PTR kNoticeTimer = 2;
    static constexpr UINT kNoticeMilliseconds = 2000;
    static constexpr COLORREF kNoticeBackground = RGB(24, 24, 24);
    static constexpr UINT_PTR kSlideshowTimer = 3;
    static constexpr wchar_t kRedCyanText[] = L"Red-cyan";
    static constexpr wchar_t kNoRedCyanText[] = L"No red-cyan view for 2D pictures";
    static constexpr wchar_t kSlideshowStoppedText[] = L"Slideshow stopped";

    // `templateId`: an empty pop-up dialog template of the program.
    explicit CImageBrowserDlg(UINT templateId);
    ~CImageBrowserDlg() override;

    // The series to show: `dir` is used as a plain prefix of the file names (so only a directory that
    // ends with a backslash finds the files in it), `name` is the base name, `viewMode` a ViewMode.
    void SetSeries(const std::string& dir, const std::string& name, std::int32_t viewMode);

    // The JPEG files of a series: `dir` + `name` + two characters + ".jpg" for 2D, ".jps" for the
    // other view modes. The series also holds the PNG files of the same names, ".png" and ".pns".
    static std::string SeriesPattern(const std::string& dir, const std::string& name, std::int32_t viewMode);

    // Makes `frame` from the file of the series at `path` as the window shows it in `viewMode` on a
    // screenWidth x screenHeight screen: the interleaved frame (Interlace, Line Blank), the side-by-side
    // picture (Sync Double) or the picture itself (2D). kMade, or why the file cannot be shown (missing,
    // empty, damaged, foreign and hostile files among them; PictureTypes.h); kPassing when `stop` is
    // set meanwhile. With `turn`, the decoding waits for its turn (PicturePreparer.h).
    static CPictureResult MakeSeriesFrame(const std::wstring& path, std::int32_t viewMode, int screenWidth,
                                          int screenHeight, CDibImage& frame,
                                          const CStopSignal* stop = nullptr,
                                          const CPicturePreparer::CDecodingTurn* turn = nullptr);

protected:
    // The prepared frames kept beside the one shown: the next picture's and the previous one's.
    static constexpr std::size_t kNeighbours = 2;
    // What the decoding of the picture waited for may hold beside decodings no longer wanted, in frames
    // of the screen's size: as much as the decoder holds for a side-by-side capture of the screen.
    static constexpr std::uint64_t kSharedDecodingFrames = 2;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    // Nothing is drawn and nothing prepared from the start of the closing on.
    void OnClosing() override;

    // The creation's own steps: checks, the file list, the first picture. False fails the creation.
    bool OpenSeries();
    void OnPaint();
    // Draws the prepared frame once the opening flashes are over: Sync Double's two bands, or the
    // frame centred; while the first picture is being prepared, kPreparingText on black.
    virtual void DrawFrame(HDC dc);
    // A job of m_preparer finished: TakeOutcome; and OnFoundNothing when the window opened without a
    // picture and none is left to try.
    void OnPicturesReady();
    // Closes the window (CloseWithNothingShown).
    virtual void OnFoundNothing();
    // Shows the wanted picture once made, or seeks on when it cannot be made.
    virtual void TakeOutcome(const CPicturePreparer::COutcome& outcome);
    // Whether a picture is wanted (being prepared to be shown).
    virtual bool Seeking() const;
    // For the creation: waits for the first picture, up to kFirstPictureWait, taking each outcome as
    // it comes. False when no picture is left to try: the creation fails.
    bool WaitForFirstPicture();
    // The window now covers another monitor: its frames are made anew for that size, and the opening
    // flashes are made again on the next paint.
    void OnMonitorChanged() override;
    // Starts making the frame of the picture chosen anew, the ones made before being dropped.
    virtual void RemakeFrames();
    // Whether the pictures shown are stereo ones, which have an anaglyph.
    virtual bool ShowsStereo() const;
    // Reads the user's choices of view and slideshow; before the first frame is prepared.
    void ReadViewerChoices();
    // The view that frames are made in: m_viewMode, or kViewRedCyan (FrameComposition.h).
    std::int32_t ShownView() const noexcept;
    // Shows `text` in the notice box for kNoticeMilliseconds, in place of what it showed.
    void ShowNotice(std::wstring text);
    // A step of the slideshow, by its timer: the next picture, wrapping around.
    virtual void SlideshowStep();
    // A step by a key or a button: a running slideshow waits its whole time again from now.
    void RestartSlideshowWait();
    // A and P, for either browser.
    void SwitchRedCyan();
    void SwitchSlideshow();
    void DrawNotice(HDC dc) const;

    std::int32_t m_viewMode = -1;
    // The anaglyph is shown instead of m_viewMode.
    bool m_redCyan = false;
    // The view that m_image was made in.
    std::int32_t m_imageView = -1;
    std::uint32_t m_slideshowSeconds = 5;
    bool m_slideshow = false;
    std::wstring m_notice;
    bool m_noticeShown = false;
    bool m_imageShown = false;
    std::int32_t m_paintState = kCodePending;
    // The frame to draw: the picture itself (Sync Double, 2D) or the interleaved frame.
    std::unique_ptr<CDibImage> m_image;
    std::string m_dir;
    // The base name; once the window is created, the search pattern.
    std::string m_name;
    // The matching files, in the order in which the file system lists them.
    std::vector<CPictureEntry> m_files;
    // The file chosen: shown, or being prepared to be; none when the next step starts again at the
    // head or the tail.
    std::optional<std::size_t> m_current;
    int m_gapAdjust = 0;
    CPicturePreparer m_preparer{ProcessJobExecutor(), CDecodingTurns::OfProcess()};
    // True until the window shows its first picture.
    bool m_opening = true;
    // The file whose frame m_image holds; none while it holds none.
    std::optional<CPictureEntry> m_shown;
    CFolderChanges m_changes;

private:
    void OnTimer(WPARAM id);
    void OnKeyDown(WPARAM key);
    // Starts preparing the series' frames for the monitor's size.
    void ResetPreparer();
    // Reads the series' listing into m_files; false, with m_files as it was, when nothing matches.
    bool ListSeries();
    // Reads the listing anew once the directory has changed, m_current staying on its file.
    void RelistIfChanged();
    // The entry one step on from `at` (the head or the tail from none); none past either end.
    std::optional<std::size_t> Moved(std::optional<std::size_t> at, bool forward) const;
    // Where a step from `at` starts looking: the entry one step on, or past either end (or from none)
    // the head or the tail.
    std::optional<std::size_t> StepTarget(std::optional<std::size_t> at, bool forward) const;
    // Next (forward) or previous picture.
    void Step(bool forward);
    // Goes on from m_current in m_forward's direction to the first file that is not known to fail and
    // shows its frame, at once when it is prepared, else once it is; past the end of the list, m_current
    // becomes none and nothing new is shown.
    void Seek();
    // What the next step forward and the next step backward would show.
    std::vector<CPictureEntry> Neighbours() const;
    // Shows `frame`, the frame of m_files[m_current].
    void Show(CDibImage& frame);
    void DrawPreparing(HDC dc) const;
    void OnDestroy();

    bool m_forward = true;
    // Where the last paint drew the notice.
    mutable RECT m_noticeArea{};
};
