// Prints, on the screen it runs on (meant for 1920x1080), what paging through a capture series of
// 3840x1080 side-by-side pictures in Interlace, and then in Sync Double, costs in the image browser,
// the browser running in a process of its own (this program, started with "browse"), its frames read
// from the X screen:
// - preparing one frame (decoding and composing it) beside decoding the picture alone;
// - the step at a reading pace (a key every 2 s), from the key to the new frame on the screen
//   (goal: at most 30 ms);
// - the step when keys come faster than decoding (three keys a quarter of a decoding apart), from the
//   last key to the frame on the screen, beside the bare decoding (goal: at most 1.1 times);
// - the longest time the window did not answer meanwhile (goal: at most 50 ms);
// - the peak working set while paging above that of showing one picture, in screen frames (goal: at
//   most 3 in Interlace, 6 in Sync Double, whose frames are twice as wide);
// - then a series whose block both eyes see, in the red-cyan view: the step at a reading pace (goal:
//   at most 30 ms) and how late each step of a slideshow of 2 s a picture shows (goal: at most 50 ms).

#include "activator/resource.h"
#include "bench/WindowBench.h"
#include "display/ImageBrowserDlg.h"
#include "display/FrameComposition.h"
#include "display/JpegCodec.h"
#include "settings/SettingsTypes.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kPictureWidth = 3840;
constexpr int kPictureHeight = 1080;
constexpr int kPictures = 6;
// Where the screen is probed: a block of the picture's own colour in its left half.
constexpr int kProbeX = 500;
constexpr int kProbeY = 200;

COLORREF ColourOf(int picture) {
    return RGB(200, 30 + 35 * picture, 60);
}

// A side-by-side picture with detail like a desktop's (gradients, stripes, text-like specks) and a
// block of `colour` around the probe point in its left half (with `bothEyes`, in its right half too).
HGLOBAL MakePicture(COLORREF colour, bool bothEyes = false) {
    CDibImage image;
    if (!image.Create(kDibTrueColour, kPictureWidth, kPictureHeight))
        return nullptr;
    for (int y = 0; y < kPictureHeight; ++y) {
        std::uint8_t* row = image.RowFromTop(y);
        for (int x = 0; x < kPictureWidth; ++x) {
            const int eyeX = bothEyes ? x % (kPictureWidth / 2) : x;
            const bool block = std::abs(eyeX - kProbeX) < 100 && std::abs(y - kProbeY) < 60;
            const bool speck = ((x * 7 + y * 13) % 23) == 0;
            row[3 * x] = static_cast<std::uint8_t>(block   ? GetBValue(colour)
                                                   : speck ? 0
                                                           : (x * 255) / kPictureWidth);
            row[3 * x + 1] = static_cast<std::uint8_t>(block   ? GetGValue(colour)
                                                       : speck ? 0
                                                               : (y * 255) / kPictureHeight);
            row[3 * x + 2] =
                static_cast<std::uint8_t>(block ? GetRValue(colour) : ((x / 16 + y / 16) % 2) * 120 + 60);
        }
    }
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 40 + image.GetImageSize());
    auto* bytes = static_cast<std::uint8_t*>(GlobalLock(memory));
    std::memcpy(bytes, image.Header(), 40);
    std::memcpy(bytes + 40, image.Pixels(), image.GetImageSize());
    GlobalUnlock(memory);
    return memory;
}

// The picture decoded whole into 24-bit rows, as the system's decoder hands them over.
bool DecodeBare(const std::wstring& path) {
    CPictureBytes bytes;
    return ReadPictureFile(path.c_str(), bytes) == CPictureResult::kMade &&
           DecodeJpegRows(bytes.Span(), {}, [](CPictureSize size, CRowSource& rows) {
               std::vector<std::uint8_t> band(3 * static_cast<std::size_t>(size.width) * 16);
               for (std::uint32_t y = 0; y < size.height; y += 16)
                   if (!rows.ReadRows(y, std::min(16u, size.height - y), band.data(), 3 * size.width))
                       return false;
               return true;
           }) == CPictureResult::kMade;
}

// The browser on the series `name` in `dir` in `viewMode`, in this process, until it closes.
int Browse(const std::string& dir, const std::string& name, int viewMode) {
    CImageBrowserDlg browser(IDD_IMAGE_BROWSER);
    browser.SetSeries(dir, name, viewMode);
    return browser.DoModal() == 1 ? 0 : 1;
}

// Where the probe of the picture's block shows on the screen in `viewMode`: Sync Double stretches the
// left half into the top band.
POINT ProbeOnScreen(int viewMode, int screenWidth, int screenHeight) {
    if (viewMode != kViewSyncDouble)
        return {kProbeX, kProbeY};
    const CSyncDoubleRows rows = SyncDoubleRows(screenWidth, screenHeight, 0);
    return {kProbeX * screenWidth / (kPictureWidth / 2), kProbeY * rows.topEnd / kPictureHeight};
}

// The browser paging through the series in `viewMode`, and showing one picture of it while that is made
// again, for the peak working set beside it.
bool PageSeries(int viewMode, const std::string& dir, const std::vector<COLORREF>& order, double bareMs,
                int screenWidth, int screenHeight) {
    CXScreen screen;
    const std::string self = QuotedArgument(BesideThisProgram("browser_bench.exe"));
    std::string mode = " ";
    mode += std::to_string(viewMode);
    const POINT probe = ProbeOnScreen(viewMode, screenWidth, screenHeight);
    double alonePeak = 0;
    {
        CBenchProgram alone;
        if (!alone.Start(self + " browse " + QuotedArgument(dir) + " Alone" + mode) ||
            screen.Until(probe.x, probe.y, ColourOf(0), NowMilliseconds()) < 0) {
            std::printf("the browser did not show the picture\n");
            return false;
        }
        // The picture made anew while it is shown: its file changed, the next step reads it again.
        Sleep(2000);
        {
            CFileHandle file(CreateFileA((dir + "Alone00.jps").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
            FILETIME now;
            GetSystemTimeAsFileTime(&now);
            SetFileTime(file, nullptr, nullptr, &now);
        }
        Sleep(500);
        alone.Key(VK_NEXT);
        Sleep(3000);
        alonePeak = alone.PeakWorkingSet();
        alone.End();
    }

    CBenchProgram browser;
    if (!browser.Start(self + " browse " + QuotedArgument(dir) + " Bench" + mode) ||
        screen.Until(probe.x, probe.y, order[0], NowMilliseconds()) < 0) {
        std::printf("the browser did not show the first picture\n");
        return false;
    }
    const CPagingFigures figures = PageThrough(
        browser, screen, probe.x, probe.y, kPictures, [&](int k) { return order[k]; }, 5, 2000, bareMs);
    browser.End();
    const bool bands = viewMode == kViewSyncDouble;
    std::printf("paging in %s; load %s\n", bands ? "Sync Double" : "Interlace", LoadAverage().c_str());
    PrintPagingFigures(figures, bareMs, alonePeak, "made again meanwhile", screenWidth, screenHeight,
                       bands ? 6 : 3);
    return true;
}

// The browser in the red-cyan view on a series `name` of pictures whose block both eyes see.
void PageRedCyan(const std::string& dir, const std::string& name) {
    constexpr int kSlideshowSeconds = 2;
    std::vector<std::string> files;
    for (int k = 0; k < kPictures; ++k) {
        CGlobalMemory picture(MakePicture(ColourOf(k), true));
        files.push_back(dir + name + "0" + std::to_string(k) + ".jps");
        EncodeJpegFile(picture, files.back().c_str());
    }
    // The file system's order, as the browser shows them.
    std::vector<COLORREF> order;
    WIN32_FIND_DATAA found;
    CFindHandle finder(FindFirstFileA((dir + name + "??.jps").c_str(), &found));
    do
        order.push_back(RedCyanOfSolid(ColourOf(found.cFileName[name.size() + 1] - '0')));
    while (finder && FindNextFileA(finder, &found));
    CXScreen screen;
    CBenchProgram browser;
    if (order.size() == kPictures && StoreViewerChoices(1, kSlideshowSeconds) &&
        browser.Start(QuotedArgument(BesideThisProgram("browser_bench.exe")) + " browse " +
                      QuotedArgument(dir) + " " + name + " 0") &&
        screen.Until(kProbeX, kProbeY, order[0], NowMilliseconds()) >= 0) {
        const auto colourOf = [&](int k) { return order[k]; };
        const CPagingFigures figures =
            PageThrough(browser, screen, kProbeX, kProbeY, kPictures, colourOf, 0, 0, 0);
        Sleep(2000);
        const std::vector<double> late = SlideshowLateness(browser, screen, kProbeX, kProbeY, kPictures, 0,
                                                           colourOf, kSlideshowSeconds * 1000.0, 10);
        browser.End();
        std::printf("the red-cyan view; load %s\n", LoadAverage().c_str());
        std::printf("step at a reading pace, key to frame on the screen:  %8.1f ms median, %.1f ms longest "
                    "(goal <= 30)\n",
                    Median(figures.reading),
                    *std::max_element(figures.reading.begin(), figures.reading.end()));
        std::printf(
            "slideshow of %d s a picture, each step after its time (goal <= 50 ms): median %.1f, latest "
            "%.1f ms\n",
            kSlideshowSeconds, Median(late), *std::max_element(late.begin(), late.end()));
    } else {
        std::printf("the browser did not show the red-cyan view\n");
    }
    RemoveViewerChoices();
    for (const std::string& file : files)
        DeleteFileA(file.c_str());
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "browse") == 0)
        return argc == 5 ? Browse(argv[2], argv[3], std::atoi(argv[4])) : 1;

    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "zelto-browser-bench\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    std::vector<std::string> names;
    for (int k = 0; k < kPictures; ++k) {
        names.push_back("Bench0" + std::to_string(k) + ".jps");
        CGlobalMemory picture(MakePicture(ColourOf(k)));
        if (!picture || !EncodeJpegFile(picture, (dir + names.back()).c_str())) {
            std::printf("cannot write the test pictures\n");
            return 1;
        }
    }
    // The single picture of the series that the baseline shows.
    CopyFileA((dir + names[0]).c_str(), (dir + "Alone00.jps").c_str(), FALSE);
    // The pictures in the order in which the browser shows them: the file system's.
    std::vector<COLORREF> order;
    WIN32_FIND_DATAA found;
    CFindHandle finder(FindFirstFileA((dir + "Bench??.jps").c_str(), &found));
    do
        order.push_back(ColourOf(found.cFileName[6] - '0'));
    while (finder && FindNextFileA(finder, &found));
    const std::wstring first(dir.begin(), dir.end());

    std::vector<double> bare;
    std::vector<double> prepare;
    for (int i = 0; i < 9; ++i) {
        const std::wstring path = first + std::wstring(names[0].begin(), names[0].end());
        double start = NowMilliseconds();
        DecodeBare(path);
        bare.push_back(NowMilliseconds() - start);
        CDibImage frame;
        start = NowMilliseconds();
        CImageBrowserDlg::MakeSeriesFrame(path, kViewInterlace, screenWidth, screenHeight, frame);
        prepare.push_back(NowMilliseconds() - start);
    }
    const double bareMs = Median(bare);
    std::printf("screen %dx%d, %d side-by-side pictures of %dx%d in Interlace; load %s\n", screenWidth,
                screenHeight, kPictures, kPictureWidth, kPictureHeight, LoadAverage().c_str());
    std::printf("bare decoding of one picture:                        %7.1f ms\n", bareMs);
    std::printf("preparing its frame (decoding, composing):           %7.1f ms = %.2f x the decoding\n",
                Median(prepare), Median(prepare) / bareMs);

    if (!CXScreen().Usable()) {
        std::printf("no X screen file (ZELTO_FBDIR): run through tools/bench.sh\n");
        return 1;
    }
    for (int viewMode : {kViewInterlace, kViewSyncDouble})
        if (!PageSeries(viewMode, dir, order, bareMs, screenWidth, screenHeight))
            return 1;
    PageRedCyan(dir, "Cyan");
    for (const std::string& name : names)
        DeleteFileA((dir + name).c_str());
    DeleteFileA((dir + "Alone00.jps").c_str());
    RemoveDirectoryA(dir.c_str());
    return 0;
}
