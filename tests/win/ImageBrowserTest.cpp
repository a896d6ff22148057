// The captured-image browser run in this process on a real capture series written with the JPEG
// codec. A second thread drives it with posted keys and mouse buttons and watches the flashes and the
// frames on the screen as the X server shows it.

#include "activator/resource.h"
#include "display/ImageBrowserDlg.h"
#include "display/StereoFrame.h"
#include "display/SyncDoubleBands.h"
#include "tests/win/DisplayTestSupport.h"

#include <gtest/gtest.h>

#include <iterator>

using namespace display_testing;
using namespace testing_support;

namespace {

constexpr int kSeriesLength = 4;

class ImageBrowser : public ::testing::Test {
protected:
    void SetUp() override {
        W = GetSystemMetrics(SM_CXSCREEN);
        H = GetSystemMetrics(SM_CYSCREEN);
        for (int k = 0; k < kSeriesLength; ++k) {
            const std::string name = series.path() + "shot0" + std::to_string(k);
            ASSERT_TRUE(WritePairFile(name + ".jps", 2 * W, H, SeriesLeftColour(k), SeriesRightColour(k)));
            ASSERT_TRUE(WritePairFile(name + ".jpg", W / 2, H / 2, SeriesFlatColour(k), SeriesFlatColour(k)));
        }
        // The browser shows the files in the order in which the file system hands them out.
        order = EnumerateFiles(series.path() + "shot??.jps");
        ASSERT_EQ(order.size(), static_cast<size_t>(kSeriesLength));
    }

    // The number of the picture whose name is order[position].
    int PictureAt(size_t position) const { return order[position][5] - '0'; }

    // The picture that an interleaved frame shows (its rows 100 and 101), or -1.
    int InterleavedPicture() const {
        const CPixels rows = ReadScreen(W / 4, 100, 1, 2);
        if (rows.data.size() != 2)
            return -1;
        for (int k = 0; k < kSeriesLength; ++k) {
            if (Near(rows.At(0, 0), SeriesLeftColour(k)) && Near(rows.At(0, 1), SeriesRightColour(k)))
                return k;
        }
        return -1;
    }

    // Whether the screen shows the left half of a picture whose left half is `left` (Sync Double: the
    // top band).
    bool ShowsSyncDouble(COLORREF left) const {
        const CPixels top = ReadScreen(W / 2, 10, 1, 1);
        return !top.data.empty() && Near(top.At(0, 0), left);
    }

    // The picture of the series that a 2D frame shows: W/2 x H/2, centred, its corners black; or -1.
    int FlatPicture() const {
        const CPixels middle = ReadScreen(W / 2, H / 2, 1, 1);
        const CPixels corner = ReadScreen(W / 8, H / 8, 1, 1);
        if (middle.data.empty() || corner.data.empty() || !Near(corner.At(0, 0), RGB(0, 0, 0), 0))
            return -1;
        for (int k = 0; k < kSeriesLength; ++k)
            if (Near(middle.At(0, 0), SeriesFlatColour(k)))
                return k;
        return -1;
    }

    // Presses Escape and checks the closing flashes of a stereo view mode: double Normal, then Normal.
    static void EscapeWithClosingFlashes(CWindowScript& s) {
        s.PressKey(VK_ESCAPE);
        const auto closing = WatchCodeBand(DoubleNormalPattern(), PatternForCode(kCodeNormal),
                                           [&] { return !IsWindow(s.window); });
        s.Check(closing == std::vector<BandSeen>({BandSeen::Code, BandSeen::DoubleCode}),
                "the closing flashes");
    }

    // Runs the browser on the series in `viewMode` with `script`; the modal result.
    INT_PTR Browse(int viewMode, const std::function<void(CWindowScript&)>& script,
                   const std::string& name = "shot") {
        CImageBrowserDlg browser(IDD_IMAGE_BROWSER);
        browser.SetSeries(series.path(), name, viewMode);
        return RunModalWithScript(browser, script);
    }

    int W = 0;
    int H = 0;
    CTempDirectory series{"zelto-browser"};
    std::vector<std::string> order;
};

} // namespace

TEST_F(ImageBrowser, InterlaceOpensOnTheFirstFileAndPagesBothWays) {
    const INT_PTR result = Browse(kViewInterlace, [&](CWindowScript& s) {
        const auto opening = WatchCodeBand(PatternForCode(kCodeInterlace), DoubleInterlacePattern(),
                                           [&] { return InterleavedPicture() >= 0; });
        s.Check(opening == std::vector<BandSeen>({BandSeen::Code, BandSeen::DoubleCode}),
                "the opening flashes of Interlace");
        const auto shows = [&](size_t position, const char* step) {
            s.Check(s.WaitFor([&] { return InterleavedPicture() == PictureAt(position); }),
                    std::string(step) + ": expected " + order[position]);
        };
        shows(0, "opening");
        RECT area;
        GetWindowRect(s.window, &area);
        s.Check(area.left == 0 && area.top == 0 && area.right == W && area.bottom == H, "full screen");
        s.Check((GetWindowLongA(s.window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, "top-most");

        for (size_t position : {1, 2, 3, 0}) {
            s.PressKey(VK_NEXT);
            shows(position, "Page Down");
        }
        s.PressKey(VK_PRIOR);
        shows(3, "Page Up from the first");
        s.Click(WM_LBUTTONDOWN);
        shows(0, "left button");
        s.Click(WM_RBUTTONDOWN);
        shows(3, "right button");
        s.PressKey(VK_DOWN);
        shows(0, "arrow down");
        // Neither these nor the keys and the wheel of the viewer's folder browser do anything here.
        for (int key : {VK_UP, VK_RETURN, VK_ADD, VK_HOME, VK_END, VK_RIGHT, VK_SPACE, int{'F'}, int{'S'}})
            s.PressKey(static_cast<WPARAM>(key));
        PostMessageA(s.window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
        Sleep(300);
        s.Check(IsWindowVisible(s.window) != FALSE, "Return closed the window");
        shows(0, "after Up, Return, plus, Home, End, Right, Space, F, S and the wheel");

        EscapeWithClosingFlashes(s);
    });
    EXPECT_EQ(result, 1);
}

TEST_F(ImageBrowser, FilesThatCannotBeDecodedAreSkippedInTheDirectionOfTravel) {
    const std::string emptyFile = series.path() + order[1];
    MakeEmptyFile(emptyFile);
    // A foreign file named like a capture.
    const std::string foreign = series.path() + order[3];
    FILE* file = std::fopen(foreign.c_str(), "wb");
    std::fputs("BM this is no picture", file);
    std::fclose(file);
    std::vector<std::string> before;
    for (const std::string& name : order)
        before.push_back(ReadFileBytes(series.path() + name));

    const INT_PTR result = Browse(kViewLineBlank, [&](CWindowScript& s) {
        const auto opening =
            WatchCodeBand(PatternForCode(kCodeLineBlank), {}, [&] { return InterleavedPicture() >= 0; });
        s.Check(opening == std::vector<BandSeen>({BandSeen::Code}), "the opening flash of Line Blank");
        s.Check(s.WaitFor([&] { return InterleavedPicture() == PictureAt(0); }), "opening");
        s.PressKey(VK_NEXT);
        s.Check(s.WaitFor([&] { return InterleavedPicture() == PictureAt(2); }),
                "Page Down past the empty file");
        s.PressKey(VK_PRIOR);
        s.Check(s.WaitFor([&] { return InterleavedPicture() == PictureAt(0); }),
                "Page Up past the empty file");
        // Past the foreign last file the list's end is reached: the last frame stays, and the next
        // press starts again at the head.
        s.PressKey(VK_NEXT);
        s.Check(s.WaitFor([&] { return InterleavedPicture() == PictureAt(2); }), "Page Down to the third");
        s.PressKey(VK_NEXT);
        Sleep(300);
        s.Check(InterleavedPicture() == PictureAt(2), "the last frame stays after the end of the list");
        s.PressKey(VK_NEXT);
        s.Check(s.WaitFor([&] { return InterleavedPicture() == PictureAt(0); }), "again from the head");
        s.PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(result, 1);
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(ReadFileBytes(series.path() + order[i]), before[i]) << order[i] << " was changed";
}

TEST_F(ImageBrowser, KeysAndButtonsBeforeTheFirstFrameAreIgnored) {
    const INT_PTR result = Browse(kViewInterlace, [&](CWindowScript& s) {
        // Still flashing: none of these may act, Escape included.
        for (WPARAM key : {VK_NEXT, VK_ESCAPE, VK_PRIOR, VK_DOWN})
            s.PressKey(key);
        s.Click(WM_LBUTTONDOWN);
        s.Click(WM_RBUTTONDOWN);
        s.Check(s.WaitFor([&] { return InterleavedPicture() >= 0; }), "no frame");
        Sleep(300);
        s.Check(IsWindowVisible(s.window) != FALSE, "the window closed");
        s.Check(InterleavedPicture() == PictureAt(0), "the first picture is shown");
        s.PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(result, 1);
}

TEST_F(ImageBrowser, SyncDoubleBandsMoveWithTheKeypadKeysWithinTheirLimits) {
    const CSyncDoubleBands table = SyncDoubleBands(W, H);
    // Whether screen rows [0, topEnd) show the left half of the first picture and [bottomStart, H)
    // its right half, with black between; where the bands overlap, the bottom band is drawn last.
    const auto bandsAt = [&](int topEnd, int bottomStart) {
        const CPixels column = ReadScreen(W / 2, 0, 1, H);
        if (column.data.size() != static_cast<size_t>(H))
            return false;
        const int k = PictureAt(0);
        for (int row = 0; row < H; ++row) {
            const COLORREF expected = row >= bottomStart ? SeriesRightColour(k)
                                      : row < topEnd     ? SeriesLeftColour(k)
                                                         : RGB(0, 0, 0);
            if (!Near(column.At(0, row), expected))
                return false;
        }
        return true;
    };
    const INT_PTR result = Browse(kViewSyncDouble, [&](CWindowScript& s) {
        const auto opening = WatchCodeBand(PatternForCode(kCodeSyncDouble), {},
                                           [&] { return bandsAt(table.topRows, table.bottomStart); });
        s.Check(opening == std::vector<BandSeen>({BandSeen::Code}), "the opening flash of Sync Double");
        s.Check(s.WaitFor([&] { return bandsAt(table.topRows, table.bottomStart); }), "bands at 0");
        for (int i = 0; i < 21; ++i)
            s.PressKey(VK_ADD);
        s.Check(s.WaitFor([&] { return bandsAt(table.topRows - 20, table.bottomStart + 20); }),
                "bands at +20");
        // The main keyboard's plus and minus do nothing.
        s.PressKey(VK_OEM_PLUS);
        s.PressKey(VK_OEM_MINUS);
        for (int i = 0; i < 41; ++i)
            s.PressKey(VK_SUBTRACT);
        s.Check(s.WaitFor([&] { return bandsAt(table.topRows + 20, table.bottomStart - 20); }),
                "bands at -20");
        EscapeWithClosingFlashes(s);
    });
    EXPECT_EQ(result, 1);
}

TEST_F(ImageBrowser, TwoDShowsOnlyJpgFilesCentredWithoutAClosingFlash) {
    const std::vector<std::string> jpgOrder = EnumerateFiles(series.path() + "shot??.jpg");
    ASSERT_EQ(jpgOrder.size(), static_cast<size_t>(kSeriesLength));
    const auto shown = [&] { return FlatPicture(); };
    const INT_PTR result = Browse(kViewFlat2D, [&](CWindowScript& s) {
        const auto opening = WatchCodeBand(PatternForCode(kCodeNormal), {}, [&] { return shown() >= 0; });
        s.Check(opening == std::vector<BandSeen>({BandSeen::Code}), "the opening Normal flash of 2D");
        s.Check(s.WaitFor([&] { return shown() == jpgOrder[0][5] - '0'; }), "the first .jpg");
        s.PressKey(VK_NEXT);
        s.Check(s.WaitFor([&] { return shown() == jpgOrder[1][5] - '0'; }), "the second .jpg");
        s.PressKey(VK_ESCAPE);
        const auto closing = WatchCodeBand(DoubleNormalPattern(), PatternForCode(kCodeNormal),
                                           [&] { return !IsWindow(s.window); });
        s.Check(closing.empty(), "2D closes without a flash");
    });
    EXPECT_EQ(result, 1);
}

TEST_F(ImageBrowser, RefusesToOpenWithoutASeriesItCanShow) {
    const auto refused = [&](const std::string& dir, const std::string& name, int viewMode,
                             const char* what) {
        CImageBrowserDlg browser(IDD_IMAGE_BROWSER);
        browser.SetSeries(dir, name, viewMode);
        bool appeared = false;
        EXPECT_EQ(RunModalWithScript(browser, [&](CWindowScript&) { appeared = true; }), -1) << what;
        EXPECT_FALSE(appeared) << what;
    };
    std::string withoutBackslash = series.path();
    withoutBackslash.pop_back();
    refused(series.path(), "shot", 4, "view mode 4");
    refused(series.path(), "shot", -1, "view mode -1");
    refused("C", "shot", kViewInterlace, "a one-character directory");
    refused(series.path(), "", kViewInterlace, "an empty name");
    refused(series.path(), "none", kViewInterlace, "no matching file");
    refused(withoutBackslash, "shot", kViewInterlace, "a directory without its final backslash");

    // Only .jpg files for a stereo mode, and files that cannot be decoded.
    for (const std::string& name : order)
        DeleteFileA((series.path() + name).c_str());
    refused(series.path(), "shot", kViewSyncDouble, "no .jps file");
    for (int k = 0; k < kSeriesLength; ++k)
        MakeEmptyFile(series.path() + "shot0" + std::to_string(k) + ".jps");
    refused(series.path(), "shot", kViewInterlace, "only empty files");
}

TEST_F(ImageBrowser, EveryWayOutHandsTheControllerBackOnce) {
    // The quit message is what the Activator's end leaves to a browser that it opened.
    for (CloseWay way : kEveryCloseWay) {
        std::vector<BandSeen> closing;
        const INT_PTR result = Browse(kViewSyncDouble, [&](CWindowScript& s) {
            s.Check(s.WaitFor([&] { return ShowsSyncDouble(SeriesLeftColour(PictureAt(0))); }), "the frame");
            closing = CloseAndWatch(s.window, s.uiThread, way);
        });
        EXPECT_EQ(result, 1) << NameOf(way);
        EXPECT_EQ(closing, kClosingFlashes) << NameOf(way);
    }
    // 2D hands nothing back, whichever way it ends.
    for (CloseWay way : {CloseWay::kCloseMessage, CloseWay::kQuitMessage}) {
        std::vector<BandSeen> closing{BandSeen::Code};
        Browse(kViewFlat2D, [&](CWindowScript& s) {
            s.Check(s.WaitFor([&] { return FlatPicture() >= 0; }), "the 2D frame");
            closing = CloseAndWatch(s.window, s.uiThread, way);
        });
        EXPECT_TRUE(closing.empty()) << NameOf(way);
    }
}

TEST_F(ImageBrowser, HostilePicturesAreSkippedWithoutACrashOrALeak) {
    // The samples, whether they decode (-1: as the system's decoder can), between two sound pictures
    // first and last in the file system's order. Neighbours that decode differ in colour.
    const std::pair<std::string, int> samples[] = {{"truncated-header.jpg", 0},
                                                   {"baseline.jpg", 1},
                                                   {"progressive.jpg", 1},
                                                   {"oversized-wide.jpg", 0},
                                                   {"grey.jpg", 1},
                                                   {"huge.jpg", 0},
                                                   {"cmyk.jpg", -1},
                                                   {"oversized-tall.jpg", 0},
                                                   {"truncated-scan.jpg", -1}};
    const size_t count = std::size(samples) + 2;
    for (size_t i = 0; i < count; ++i)
        MakeEmptyFile(series.path() + "bad" + (i < 10 ? "0" : "") + std::to_string(i) + ".jps");
    const std::vector<std::string> files = EnumerateFiles(series.path() + "bad??.jps");
    ASSERT_EQ(files.size(), count);
    ASSERT_TRUE(
        WritePairFile(series.path() + files.front(), 2 * W, H, SeriesLeftColour(0), SeriesRightColour(0)));
    ASSERT_TRUE(
        WritePairFile(series.path() + files.back(), 2 * W, H, SeriesLeftColour(1), SeriesRightColour(1)));
    for (size_t i = 0; i < std::size(samples); ++i)
        ASSERT_TRUE(CopyFileA(PathBesideTest("jpeg-samples\\" + samples[i].first).c_str(),
                              (series.path() + files[i + 1]).c_str(), FALSE));

    // The files that decode, and the colour a quarter down the left half of each, which the top band
    // shows a quarter down.
    std::vector<size_t> shown;
    std::vector<COLORREF> colours;
    for (size_t i = 0; i < count; ++i) {
        CDibImage picture;
        const bool decodes = CImageBrowserDlg::LoadImageFile(series.path() + files[i], &picture);
        if (i > 0 && i <= std::size(samples) && samples[i - 1].second >= 0) {
            EXPECT_EQ(decodes, samples[i - 1].second == 1) << samples[i - 1].first;
        }
        if (!decodes)
            continue;
        const std::uint8_t* pixel =
            picture.RowFromTop(picture.GetHeight() / 4) + 3 * (picture.GetWidth() / 4);
        shown.push_back(i);
        colours.push_back(RGB(pixel[2], pixel[1], pixel[0]));
    }

    const int bandRow = SyncDoubleBands(W, H).topRows / 4;
    const auto shows = [&](CWindowScript& s, size_t k) {
        s.Check(s.WaitFor([&] {
            const CPixels pixel = ReadScreen(W / 2, bandRow, 1, 1);
            return !pixel.data.empty() && Near(pixel.At(0, 0), colours[k], 4);
        }),
                files[shown[k]]);
    };
    // Pages forward through the series `rounds` times, then back once: every picture that decodes
    // shows in turn, every other is passed over.
    const auto page = [&](CWindowScript& s, int rounds) {
        for (int round = 0; round < rounds; ++round) {
            for (size_t k = 1; k <= shown.size(); ++k) {
                s.PressKey(VK_NEXT);
                shows(s, k % shown.size());
            }
        }
        for (size_t k = shown.size(); k-- > 0;) {
            s.PressKey(VK_PRIOR);
            shows(s, k);
        }
    };
    CProcessUse before;
    CProcessUse after;
    const INT_PTR result = Browse(
        kViewSyncDouble,
        [&](CWindowScript& s) {
            shows(s, 0);
            page(s, 1);
            before = CProcessUse::Now();
            page(s, 3);
            after = CProcessUse::Now();
            s.PressKey(VK_ESCAPE);
        },
        "bad");
    EXPECT_EQ(result, 1);
    // Wine keeps a cache of window DCs that grows with the DCs in use at once, by the two threads here.
    EXPECT_LE(after.gdiObjects, before.gdiObjects + 2);
    EXPECT_EQ(after.kernelHandles, before.kernelHandles);
    EXPECT_LT(after.privateBytes, before.privateBytes + (8u << 20));
}
