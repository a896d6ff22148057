// The captured-image browser run in this process on a real capture series written with the JPEG
// codec. A second thread drives it with posted keys and mouse buttons and watches the flashes and the
// frames on the screen as the X server shows it.

#include "activator/resource.h"
#include "display/ImageBrowserDlg.h"
#include "display/RedCyan.h"
#include "display/StereoFrame.h"
#include "display/SyncDoubleBands.h"
#include "framework/Handles.h"
#include "tests/win/DisplayTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
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
        // 2D has no anaglyph: A only says so.
        s.PressKey('A');
        s.PressKey(VK_NEXT);
        s.Check(s.WaitFor([&] { return shown() == jpgOrder[1][5] - '0'; }), "the second .jpg");
        s.PressKey(VK_ESCAPE);
        const auto closing = WatchCodeBand(DoubleNormalPattern(), PatternForCode(kCodeNormal),
                                           [&] { return !IsWindow(s.window); });
        s.Check(closing.empty(), "2D closes without a flash");
    });
    EXPECT_EQ(result, 1);
}

TEST_F(ImageBrowser, JpegAndLosslessPicturesPageTogetherInRedCyanAndASlideshowWithTheCodesHandedBack) {
    // mix00.jps, mix01.pns, mix02.pns make one series; the flat mix03.png is not one of its stereo pictures.
    ASSERT_TRUE(
        WritePairFile(series.path() + "mix00.jps", 2 * W, H, SeriesLeftColour(0), SeriesRightColour(0)));
    for (int k : {1, 2, 3})
        ASSERT_TRUE(WritePngPairFile(series.path() + "mix0" + std::to_string(k) + (k < 3 ? ".pns" : ".png"),
                                     2 * W, H, SeriesLeftColour(k), SeriesRightColour(k)));
    std::vector<std::string> mixed = EnumerateFiles(series.path() + "mix??.*");
    std::erase(mixed, std::string("mix03.png"));
    ASSERT_EQ(mixed.size(), 3u);
    const std::string viewerKey = std::string(kUserProductKeyPath) + "\\1.0\\Viewer";
    WriteRegistryNumber(viewerKey, "Slideshow Seconds", 1);
    // Solid eyes have a one-coloured anaglyph; which picture's the screen shows, or -1.
    const auto anaglyphShown = [&] {
        const CPixels rows = ReadScreen(W / 4, 100, 1, 2);
        for (int k = 0; rows.data.size() == 2 && k < kSeriesLength; ++k) {
            const COLORREF l = SeriesLeftColour(k);
            const COLORREF r = SeriesRightColour(k);
            const CRgbPixel p = RedCyanPixel({GetRValue(l), GetGValue(l), GetBValue(l)},
                                             {GetRValue(r), GetGValue(r), GetBValue(r)});
            if (Near(rows.At(0, 0), RGB(p.red, p.green, p.blue)) &&
                Near(rows.At(0, 1), RGB(p.red, p.green, p.blue)))
                return k;
        }
        return -1;
    };
    std::uint32_t output[2] = {9, 9};
    const INT_PTR result = Browse(
        kViewInterlace,
        [&](CWindowScript& s) {
            s.Check(s.WaitFor([&] { return InterleavedPicture() == mixed[0][4] - '0'; }),
                    "the first picture");
            s.PressKey(VK_NEXT);
            s.Check(s.WaitFor([&] { return InterleavedPicture() == mixed[1][4] - '0'; }),
                    "the next, in Interlace");
            s.PressKey('A');
            const auto toAnaglyph = WatchCodeBand(DoubleNormalPattern(), PatternForCode(kCodeNormal),
                                                  [&] { return anaglyphShown() == mixed[1][4] - '0'; });
            s.Check(toAnaglyph == kClosingFlashes, "A sends the Normal codes before the anaglyph shows");
            ReadRegistryNumber(viewerKey, "Output", output[0]);
            s.PressKey('P');
            for (size_t step : {2, 3, 4})
                s.Check(s.WaitFor([&] { return anaglyphShown() == mixed[step % 3][4] - '0'; }, 3000),
                        "a slideshow step to " + mixed[step % 3]);
            s.PressKey('P');
            const int stoppedAt = anaglyphShown();
            s.Check(!s.WaitFor([&] { return anaglyphShown() != stoppedAt; }, 1600), "P stops the slideshow");
            s.PressKey('A');
            const auto back = WatchCodeBand(PatternForCode(kCodeInterlace), DoubleInterlacePattern(),
                                            [&] { return InterleavedPicture() == stoppedAt; });
            s.Check(back == std::vector<BandSeen>({BandSeen::Code, BandSeen::DoubleCode}),
                    "A: Interlace's codes");
            ReadRegistryNumber(viewerKey, "Output", output[1]);
            EscapeWithClosingFlashes(s);
        },
        "mix");
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(output[0] == 1 && output[1] == 0) << "A stores each choice";

    // Opened in the stored anaglyph, the window sends no code, on the way in or out.
    WriteRegistryNumber(viewerKey, "Output", 1);
    const INT_PTR stored = Browse(kViewSyncDouble, [&](CWindowScript& s) {
        const auto opening = WatchCodeBand(PatternForCode(kCodeSyncDouble), PatternForCode(kCodeNormal),
                                           [&] { return anaglyphShown() == PictureAt(0); });
        s.Check(opening.empty() && anaglyphShown() == PictureAt(0), "the anaglyph without a code");
        s.PressKey(VK_ESCAPE);
        s.Check(WatchCodeBand(DoubleNormalPattern(), PatternForCode(kCodeNormal),
                              [&] { return !IsWindow(s.window); })
                    .empty(),
                "no code on leaving");
    });
    EXPECT_EQ(stored, 1);
    DeleteProductTree();
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

TEST_F(ImageBrowser, AFolderOfHostileUnreadableAndGoodFilesPagedBothWays) {
    // The samples, whether they decode (-1: as the system's decoder can), then a picture made unreadable
    // and made whole again later, and a picture that takes a while to decode, between two sound
    // pictures first and last in the file system's order. Neighbours that decode differ in colour.
    const std::pair<std::string, int> samples[] = {{"truncated-header.jpg", 0},
                                                   {"padded-header.jpg", 0},
                                                   {"baseline.jpg", 1},
                                                   {"sparse-square.jpg", 0},
                                                   {"progressive.jpg", 1},
                                                   {"oversized-wide.jpg", 0},
                                                   {"grey.jpg", 1},
                                                   {"huge.jpg", 0},
                                                   {"strip.jpg", -1},
                                                   {"cmyk.jpg", -1},
                                                   {"oversized-tall.jpg", 0},
                                                   {"sparse-progressive.jpg", 0},
                                                   {"truncated-scan.jpg", -1}};
    const size_t count = std::size(samples) + 4;
    for (size_t i = 0; i < count; ++i)
        MakeEmptyFile(series.path() + "bad" + (i < 10 ? "0" : "") + std::to_string(i) + ".jps");
    const std::vector<std::string> files = EnumerateFiles(series.path() + "bad??.jps");
    ASSERT_EQ(files.size(), count);
    const auto path = [&](size_t i) { return series.path() + files[i]; };
    ASSERT_TRUE(WritePairFile(path(0), 2 * W, H, SeriesLeftColour(0), SeriesRightColour(0)));
    ASSERT_TRUE(WritePairFile(path(count - 1), 2 * W, H, SeriesLeftColour(1), SeriesRightColour(1)));
    for (size_t i = 0; i < std::size(samples); ++i)
        ASSERT_TRUE(CopyFileA(PathBesideTest("jpeg-samples\\" + samples[i].first).c_str(),
                              path(i + 1).c_str(), FALSE));
    // The unreadable one: a sound picture whose start-of-image marker is gone, with a fixed time.
    const size_t mended = count - 3;
    ASSERT_TRUE(WritePairFile(path(mended), 2 * W, H, SeriesLeftColour(2), SeriesRightColour(2)));
    const std::string whole = ReadFileBytes(path(mended));
    const auto rewrite = [&](const std::string& bytes, DWORD day) {
        CFileHandle file(
            CreateFileA(path(mended).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        const FILETIME time{0, 0x01D00000 + day};
        return file && WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               SetFileTime(file, nullptr, nullptr, &time);
    };
    ASSERT_TRUE(rewrite(std::string(2, '\0') + whole.substr(2), 0));
    // The slow one: about a second's decoding here, whatever the screen.
    const size_t slow = count - 2;
    ASSERT_TRUE(WritePairFile(path(slow), 8000, 6000, SeriesLeftColour(3), SeriesRightColour(3)));

    // The files that decode as the window shows them, and the colour a quarter down the left half of
    // each, which the top band shows a quarter down.
    std::vector<size_t> shown;
    std::vector<COLORREF> colours;
    for (size_t i = 0; i < count; ++i) {
        CDibImage pair;
        const std::string file = path(i);
        const std::wstring wide(file.begin(), file.end());
        const bool decodes =
            CImageBrowserDlg::MakeSeriesFrame(wide, kViewSyncDouble, W, H, pair) == CPictureResult::kMade;
        if (i > 0 && i <= std::size(samples) && samples[i - 1].second >= 0) {
            EXPECT_EQ(decodes, samples[i - 1].second == 1) << samples[i - 1].first;
        }
        if (!decodes && i != mended)
            continue;
        const std::uint8_t* pixel =
            pair.IsEmpty() ? nullptr : pair.RowFromTop(pair.GetHeight() / 4) + 3 * (pair.GetWidth() / 4);
        shown.push_back(i);
        colours.push_back(pixel ? RGB(pixel[2], pixel[1], pixel[0]) : SeriesLeftColour(2));
    }
    const int bandRow = SyncDoubleBands(W, H).topRows / 4;
    const auto band = [&] {
        const CPixels pixel = ReadScreen(W / 2, bandRow, 1, 1);
        return pixel.data.empty() ? 0u : pixel.At(0, 0);
    };
    const auto at = [&](size_t file) {
        return static_cast<size_t>(std::find(shown.begin(), shown.end(), file) - shown.begin());
    };
    const auto shows = [&](CWindowScript& s, size_t k, const std::string& what = {}) {
        s.Check(s.WaitFor([&] { return Near(band(), colours[k], 4); }), files[shown[k]] + " " + what);
    };
    // Pages through the pictures from the k-th shown on, `steps` times in `direction`: every picture
    // that decodes (but `skipped`) shows in turn, every other is passed over.
    const auto page = [&](CWindowScript& s, size_t& k, int steps, int direction, size_t skipped) {
        for (int step = 0; step < steps; ++step) {
            do
                k = (k + shown.size() + direction) % shown.size();
            while (shown[k] == skipped);
            s.PressKey(direction > 0 ? VK_NEXT : VK_PRIOR);
            shows(s, k);
        }
    };
    CProcessUse before;
    CProcessUse after;
    const INT_PTR result = Browse(
        kViewSyncDouble,
        [&](CWindowScript& s) {
            size_t k = 0;
            shows(s, 0);
            page(s, k, static_cast<int>(at(slow)) - 2, 1, mended);
            // Onto the slow picture and on from it at once: only the picture finally chosen shows.
            s.PressKey(VK_NEXT);
            s.PressKey(VK_NEXT);
            s.Check(s.WaitFor([&] {
                s.Check(!Near(band(), colours[at(slow)], 4), "the slow picture, passed by, showed");
                return Near(band(), colours[at(count - 1)], 4);
            }),
                    "the last picture");
            // A picture that another program holds open is passed over, and shows at the first step onto
            // it after that program let go: the second one, two steps on from the last (and so not
            // prepared before it was locked).
            k = at(count - 1);
            {
                CFileHandle locked(
                    CreateFileA(path(shown[1]).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
                s.Check(static_cast<bool>(locked), "the second file held");
                page(s, k, 2, 1, shown[1]);
            }
            page(s, k, 1, -1, count);
            before = CProcessUse::Now();
            // Made whole with its length and time as they were, the unreadable file is not read again...
            s.Check(rewrite(whole, 0), "the unreadable file made whole");
            page(s, k, static_cast<int>(shown.size()), -1, mended);
            // ...until it changes.
            s.Check(rewrite(whole, 1), "the file's time changed");
            page(s, k, static_cast<int>(shown.size()) + 1, 1, count);
            // A job still preparing a neighbour holds a handle of its thread for a while, maybe when
            // `before` was taken too; and the system's thread pool may keep a thread that it added when two
            // decodings ran side by side, with what COM holds on it. A leak of each step stays.
            s.WaitFor(
                [&] {
                    after = CProcessUse::Now();
                    return after.kernelHandles <= before.kernelHandles + 2;
                },
                20000);
            s.PressKey(VK_ESCAPE);
        },
        "bad");
    EXPECT_EQ(result, 1);
    // Wine keeps a cache of window DCs that grows with the DCs in use at once, by the two threads here.
    EXPECT_LE(after.gdiObjects, before.gdiObjects + 2);
    EXPECT_LE(after.kernelHandles, before.kernelHandles + 2);
    EXPECT_LT(after.privateBytes, before.privateBytes + (8u << 20));
}
