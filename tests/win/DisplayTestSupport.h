#pragma once
// Helpers of the stereo display tests: pictures made from a colour function, screen-sized memory
// device contexts, pixel-for-pixel comparisons, capture series written with the JPEG codec, and the
// windows of this thread found from a watching thread.

#include "display/DibImage.h"
#include "framework/Dialog.h"
#include "linecode/LineCodePatterns.h"
#include "tests/support/MultiPictureFile.h"
#include "tests/support/WineTestSupport.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

namespace display_testing {

using Colour = std::function<COLORREF(int x, int y)>;

// A 24-bit picture of `width` x `height` whose pixel (x, y), y from the top, is `colour(x, y)`.
void FillImage(CDibImage& image, int width, int height, const Colour& colour);

// The same picture as a packed DIB in movable global memory (the codec's form); the caller frees it.
HGLOBAL MakePackedDib(int width, int height, const Colour& colour);

// The colours of picture k of the test series: the left and right halves of its .jps, its .jpg. Far
// enough apart that JPEG coding cannot blur one into another.
inline COLORREF SeriesLeftColour(int k) {
    return RGB(200, 40 + 40 * k, 40);
}
inline COLORREF SeriesRightColour(int k) {
    return RGB(40, 40 + 40 * k, 200);
}
inline COLORREF SeriesFlatColour(int k) {
    return RGB(120, 200, 40 + 40 * k);
}

// A side-by-side picture of `width` x `height` whose left half is `left` and right half `right`,
// encoded as a JPEG file at `path` (WritePngPairFile: as a lossless PNG file).
bool WritePairFile(const std::string& path, int width, int height, COLORREF left, COLORREF right);
bool WritePngPairFile(const std::string& path, int width, int height, COLORREF left, COLORREF right);

// The bytes of a multi-picture file (.mpo) of one `width` x `height` JPEG picture of each colour, with
// a correct index; `layout` tells where the index lies.
testing_support::CBytes MultiPictureBytes(int width, int height, std::initializer_list<COLORREF> colours,
                                          testing_support::CMultiPictureLayout* layout = nullptr);
// Writes `bytes` as the file at `path`.
bool WriteFileBytes(const std::string& path, const testing_support::CBytes& bytes);

// A 24-bit Windows bitmap file of one colour; with `cutBytes`, that many bytes short of its last row.
bool WriteBitmapFile(const std::string& path, int width, int height, COLORREF colour, int cutBytes = 0);

// A memory device context compatible with the screen, holding a W x H bitmap (the screen's size).
class CScreenMemory {
public:
    CScreenMemory();
    ~CScreenMemory();
    CScreenMemory(const CScreenMemory&) = delete;
    CScreenMemory& operator=(const CScreenMemory&) = delete;

    HDC dc() const { return m_dc; }
    HBITMAP bitmap() const { return m_bitmap; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    void Fill(COLORREF colour);
    testing_support::CPixels Read() const;

private:
    int m_width = 0;
    int m_height = 0;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
};

// Compares every pixel with `expected(x, y)` (a COLORREF); reports the first few differences and
// returns how many pixels differ.
int CountDifferences(const testing_support::CPixels& pixels, const Colour& expected, const std::string& what);

// Whether two colours differ by at most `tolerance` in every channel (JPEG coding is not exact).
bool Near(std::uint32_t pixel, COLORREF colour, int tolerance = 12);

// A fresh directory under the temporary directory, removed with everything in it at the end.
class CTempDirectory {
public:
    explicit CTempDirectory(const std::string& name);
    ~CTempDirectory();
    CTempDirectory(const CTempDirectory&) = delete;
    CTempDirectory& operator=(const CTempDirectory&) = delete;

    // The directory's path, ending with a backslash.
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// The names of the files that match `pattern`, in the file system's enumeration order.
std::vector<std::string> EnumerateFiles(const std::string& pattern);
// Replaces the file at `path` with an empty one, as a failed capture leaves it.
void MakeEmptyFile(const std::string& path);
// The bytes of the file at `path`.
std::string ReadFileBytes(const std::string& path);

// What the top 40 rows of the screen were seen to show, as the X server shows them (ReadScreen), while
// they were sampled until `until` held: the runs in which they showed `code` (Code) or `doubleCode`
// (DoubleCode), in order; what they showed in between is left out. With `area`, its rows are watched
// instead, read through this process's screen device context (a screen of more than one monitor has
// no screen file).
enum class BandSeen { Code, DoubleCode };
std::vector<BandSeen> WatchCodeBand(std::span<const CodeLine> code, std::span<const CodeLine> doubleCode,
                                    const std::function<bool()>& until, DWORD timeoutMs = 5000,
                                    const RECT* area = nullptr);

// The ways of ending a stereo window from outside it.
enum class CloseWay {
    kAltF4,         // the keys, pressed with SendInput
    kCloseMessage,  // WM_CLOSE, as the system or another program sends it
    kCancelCommand, // IDCANCEL, as the dialog manager or another program sends it
    kOkCommand,     // IDOK, likewise
    kEndSession,    // WM_ENDSESSION: the session ends
    kQuitMessage,   // the quit message of the window's thread: its program ends
};
const char* NameOf(CloseWay way);
inline constexpr CloseWay kEveryCloseWay[] = {CloseWay::kAltF4,         CloseWay::kCloseMessage,
                                              CloseWay::kCancelCommand, CloseWay::kOkCommand,
                                              CloseWay::kEndSession,    CloseWay::kQuitMessage};
// Asks `window`, whose modal loop runs on thread `uiThread`, to end in `way`.
void RequestClose(HWND window, DWORD uiThread, CloseWay way);

// What the closing flashes look like to WatchClosing: double Normal, then Normal.
inline const std::vector<BandSeen> kClosingFlashes = {BandSeen::Code, BandSeen::DoubleCode};
// Asks `window` to end in `way` and watches the screen's top rows (WatchCodeBand) for the double Normal
// and the Normal code until the window is gone and a little after, so that a repeated flash would be
// seen.
std::vector<BandSeen> CloseAndWatch(HWND window, DWORD uiThread, CloseWay way);

// Removes a quit message left in this thread's queue by a modal loop that it ended.
void DiscardQuitMessage();

// The text of a message box, of this or another process: the texts of its static controls.
std::string MessageBoxText(HWND box);

// The first visible top-level window of thread `threadId` other than `except`; null when none.
HWND FindThreadWindow(DWORD threadId, HWND except = nullptr);

// What a script does to a modal window that runs on the test's thread, from a second thread. The
// script records its findings with Check; they become test failures on the test's thread.
class CWindowScript {
public:
    // The thread that runs the modal loop, and whether its run has ended.
    DWORD uiThread = 0;
    const std::atomic<bool>* modalEnded = nullptr;
    // The window, once it appeared.
    HWND window = nullptr;
    std::vector<std::string> problems;

    void Check(bool condition, const std::string& what);
    // Polls `condition` every few milliseconds; false after `timeoutMs`.
    bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 5000);
    // A visible window of the UI thread other than `except` (the dialog that opened it), waited for.
    HWND WaitForWindow(HWND except, DWORD timeoutMs = 5000);
    // Posts a key press (WM_KEYDOWN) to the window, as the message loop would receive it.
    void PressKey(WPARAM key) const;
    void Click(UINT buttonMessage) const;
    // Clicks the push button `id` of `dialog` (posted, as the button would send it).
    void PressButton(HWND dialog, int id) const;
    // Answers the open-file or save-file dialog that `owner` shows next with the file `path`; false
    // when no such dialog appeared or it did not close.
    bool ChooseInFileDialog(HWND owner, const std::string& path);
};

// Runs `dialog.DoModal()` on this thread while `script` runs on a second thread once the dialog's
// window is visible (the script does not run when the window never appears). A window still open
// after the script is asked to close. A quit message that ended the run is not kept. Returns the modal
// result.
INT_PTR RunModalWithScript(CDialog& dialog, const std::function<void(CWindowScript&)>& script);

} // namespace display_testing
