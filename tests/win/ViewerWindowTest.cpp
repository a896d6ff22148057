// The viewer's window run in this process: the capture settings it reads, with their fallbacks, its
// icon, every way out of it, what it says when it cannot open, and a picture given to it: fitted or
// unscaled, its eyes swapped, the wheel, and its name and position shown for a moment.

#include "display/RedCyan.h"
#include "settings/ViewerSettings.h"
#include "tests/win/DisplayTestSupport.h"
#include "viewer/ViewerDlg.h"
#include "viewer/resource.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>

using namespace display_testing;
using namespace testing_support;

namespace {

const std::string kCaptureKey = std::string(kProductKeyPath) + "\\1.0\\Capture";

// The viewer's window with the fields that ReadCaptureSettings fills in view.
class CViewerProbe : public CViewerDlg {
public:
    using CImageBrowserDlg::m_dir;
    using CImageBrowserDlg::m_name;
    using CImageBrowserDlg::m_viewMode;
};

class ViewerWindow : public ::testing::Test {
protected:
    void SetUp() override { DeleteProductTree(); }
    void TearDown() override { DeleteProductTree(); }

    // Stores settings of a Sync Double series of one picture in `series`; the picture's top band colour.
    static COLORREF StoreOnePictureSeries(const CTempDirectory& series, const char* name) {
        const int W = GetSystemMetrics(SM_CXSCREEN);
        const int H = GetSystemMetrics(SM_CYSCREEN);
        EXPECT_TRUE(
            WritePairFile(series.path() + name + "00.jps", 2 * W, H, RGB(200, 40, 40), RGB(40, 40, 200)));
        WriteRegistryNumber(kCaptureKey, "View Mode", 1);
        WriteRegistryString(kCaptureKey, "Dir", series.path());
        WriteRegistryString(kCaptureKey, "Name", name);
        return RGB(200, 40, 40);
    }
    static bool ShowsTopBand(COLORREF colour) {
        const CPixels top = ReadScreen(GetSystemMetrics(SM_CXSCREEN) / 2, 10, 1, 1);
        return !top.data.empty() && Near(top.At(0, 0), colour);
    }
};

} // namespace

TEST_F(ViewerWindow, ReadsTheThreeCaptureSettings) {
    WriteRegistryNumber(kCaptureKey, "View Mode", 2);
    WriteRegistryString(kCaptureKey, "Dir", "C:\\Shots\\");
    WriteRegistryString(kCaptureKey, "Name", "Pictur");
    WriteRegistryString(kCaptureKey, "Default Dir", "D:\\Default\\");
    WriteRegistryString(kCaptureKey, "Default Name", "Deflt_");
    CViewerProbe viewer;
    EXPECT_TRUE(viewer.ReadCaptureSettings());
    EXPECT_EQ(viewer.m_viewMode, 2);
    EXPECT_EQ(viewer.m_dir, "C:\\Shots\\");
    EXPECT_EQ(viewer.m_name, "Pictur");
}

TEST_F(ViewerWindow, TheDefaultsStandInForAMissingDirectoryOrName) {
    WriteRegistryNumber(kCaptureKey, "View Mode", 0);
    WriteRegistryString(kCaptureKey, "Default Dir", "D:\\Default\\");
    WriteRegistryString(kCaptureKey, "Default Name", "Deflt_");
    // A value of another type counts as missing.
    WriteRegistryNumber(kCaptureKey, "Name", 5);
    CViewerProbe viewer;
    EXPECT_TRUE(viewer.ReadCaptureSettings());
    EXPECT_EQ(viewer.m_dir, "D:\\Default\\");
    EXPECT_EQ(viewer.m_name, "Deflt_");
}

TEST_F(ViewerWindow, IncompleteSettingsAreRefused) {
    CViewerProbe noKey;
    EXPECT_FALSE(noKey.ReadCaptureSettings());

    WriteRegistryString(kCaptureKey, "Dir", "C:\\Shots\\");
    WriteRegistryString(kCaptureKey, "Name", "Pictur");
    CViewerProbe noViewMode;
    EXPECT_FALSE(noViewMode.ReadCaptureSettings());

    WriteRegistryString(kCaptureKey, "View Mode", "1"); // not a number
    CViewerProbe textViewMode;
    EXPECT_FALSE(textViewMode.ReadCaptureSettings());

    WriteRegistryNumber(kCaptureKey, "View Mode", 1);
    WriteRegistryString(kCaptureKey, "Name", "NUL.__"); // a device's name
    CViewerProbe deviceName;
    EXPECT_FALSE(deviceName.ReadCaptureSettings());

    // A folder that cannot be read is missing: the user's own folder stands in.
    WriteRegistryString(kCaptureKey, "Name", "Pictur");
    WriteRegistryString(kCaptureKey, "Dir", std::string(300, 'd')); // longer than the buffer
    CViewerProbe longDir;
    EXPECT_TRUE(longDir.ReadCaptureSettings());
    char pictures[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, pictures), S_OK);
    EXPECT_EQ(longDir.m_dir, std::string(pictures) + "\\Zelto Captures\\");
}

TEST_F(ViewerWindow, TheViewAndTheSlideshowIntervalAreTheUsersWithinTheirRange) {
    const std::string userKey = std::string(kUserProductKeyPath) + "\\1.0\\Viewer";
    EXPECT_TRUE(ReadViewerSettings().output == CViewerOutput::kController &&
                ReadViewerSettings().slideshowSeconds == 5);
    // An administrator's default stands where the user chose nothing usable: a value out of range.
    WriteRegistryNumber(std::string(kProductKeyPath) + "\\1.0\\Viewer", "Slideshow Seconds", 9);
    const std::uint32_t table[][3] = {{1, 60, 60}, {2, 0, 9}, {0xFFFFFFFF, 61, 9}};
    for (const auto& [output, seconds, expected] : table) {
        WriteRegistryNumber(userKey, "Output", output);
        WriteRegistryNumber(userKey, "Slideshow Seconds", seconds);
        EXPECT_EQ(ReadViewerSettings().output,
                  output == 1 ? CViewerOutput::kRedCyan : CViewerOutput::kController);
        EXPECT_EQ(ReadViewerSettings().slideshowSeconds, expected) << seconds;
    }
}

TEST_F(ViewerWindow, CarriesTheApplicationIconAlsoWhenMinimised) {
    CTempDirectory series("zelto-viewer-icon");
    const COLORREF top = StoreOnePictureSeries(series, "icon");
    const HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(icon, nullptr);

    CViewerDlg viewer;
    const INT_PTR result = RunModalWithScript(viewer, [&](CWindowScript& s) {
        s.Check(reinterpret_cast<HICON>(SendMessageA(s.window, WM_QUERYDRAGICON, 0, 0)) == icon, "drag icon");
        s.Check(reinterpret_cast<HICON>(SendMessageA(s.window, WM_GETICON, ICON_BIG, 0)) == icon, "big icon");
        s.Check(reinterpret_cast<HICON>(SendMessageA(s.window, WM_GETICON, ICON_SMALL, 0)) == icon,
                "small icon");
        // The frame first: a press before it would be ignored.
        s.Check(s.WaitFor([&] { return ShowsTopBand(top); }), "the frame");
        ShowWindow(s.window, SW_MINIMIZE);
        s.Check(s.WaitFor([&] { return IsIconic(s.window) != FALSE; }), "minimised");
        RedrawWindow(s.window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        ShowWindow(s.window, SW_RESTORE);
        s.Check(s.WaitFor([&] { return IsIconic(s.window) == FALSE; }), "restored");
        s.PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(result, 1);
}

TEST_F(ViewerWindow, EveryWayOutHandsTheControllerBackOnce) {
    CTempDirectory series("zelto-viewer-close");
    const COLORREF top = StoreOnePictureSeries(series, "shut");
    for (CloseWay way : kEveryCloseWay) {
        std::vector<BandSeen> closing;
        CViewerDlg viewer;
        const INT_PTR result = RunModalWithScript(viewer, [&](CWindowScript& s) {
            s.Check(s.WaitFor([&] { return ShowsTopBand(top); }), "the frame");
            closing = CloseAndWatch(s.window, s.uiThread, way);
        });
        EXPECT_EQ(result, 1) << NameOf(way);
        EXPECT_EQ(closing, kClosingFlashes) << NameOf(way);
    }
}

TEST_F(ViewerWindow, SaysWhyItCannotOpen) {
    const auto failure = [](const char* what) {
        CViewerDlg viewer;
        bool appeared = false;
        EXPECT_EQ(RunModalWithScript(viewer, [&](CWindowScript&) { appeared = true; }), -1) << what;
        EXPECT_FALSE(appeared) << what;
        return viewer.FailureText();
    };
    const auto wide = [](const std::string& text) { return std::wstring(text.begin(), text.end()); };
    EXPECT_EQ(failure("no settings"),
              L"There are no capture settings to show pictures from. Choose them in the "
              L"Activator's Capture Settings.");
    CTempDirectory series("zelto-viewer-empty");
    WriteRegistryNumber(kCaptureKey, "View Mode", 3);
    WriteRegistryString(kCaptureKey, "Dir", series.path());
    WriteRegistryString(kCaptureKey, "Name", "none");
    EXPECT_EQ(failure("no picture"), wide("There is no picture to show in " + series.path() + "none??.jpg."));
    MakeEmptyFile(series.path() + "none00.jpg");
    EXPECT_EQ(failure("an empty file"),
              wide("There is no picture to show in " + series.path() + "none??.jpg."));
}

TEST_F(ViewerWindow, AGivenPictureIsFittedOrUnscaledHasItsEyesSwappedAndShowsWhereItIsForAMoment) {
    // Interlace, with nothing else stored: a picture given needs no series.
    WriteRegistryNumber(kCaptureKey, "View Mode", 0);
    const int W = GetSystemMetrics(SM_CXSCREEN);
    const int H = GetSystemMetrics(SM_CYSCREEN);
    const COLORREF left = RGB(200, 40, 40);
    const COLORREF right = RGB(40, 40, 200);
    const COLORREF flat = RGB(40, 200, 40);
    CTempDirectory pictures("zelto-viewer-given");
    // Eyes of the screen's proportions and a quarter of its size: fitted, they fill the screen. The .mpo
    // holds one picture, which both eyes see.
    ASSERT_TRUE(WritePairFile(pictures.path() + "a.jps", W / 2, H / 4, left, right));
    ASSERT_TRUE(WriteFileBytes(pictures.path() + "b.mpo", MultiPictureBytes(W / 4, H / 4, {flat})));

    // Whether screen rows y and y + 1 show `even` and `odd` at column x.
    const auto rowsShow = [](int x, int y, COLORREF even, COLORREF odd) {
        const CPixels rows = ReadScreen(x, y, 1, 2);
        return rows.data.size() == 2 && Near(rows.At(0, 0), even) && Near(rows.At(0, 1), odd);
    };
    // Whether the box of the name and position shows in the bottom left corner.
    const auto positionShown = [&] {
        const CPixels corner = ReadScreen(0, H - 40, 40, 40);
        return std::find(corner.data.begin(), corner.data.end(),
                         PixelOf(CFolderBrowserDlg::kNoticeBackground)) != corner.data.end();
    };
    const auto title = [](HWND window) {
        char text[256] = {};
        GetWindowTextA(window, text, sizeof text);
        return std::string(text);
    };
    const auto wheel = [](HWND window, int delta) {
        PostMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), MAKELPARAM(10, 10));
    };

    CViewerDlg viewer;
    viewer.SetPicturePath(std::wstring(pictures.path().begin(), pictures.path().end()) + L"a.jps");
    const INT_PTR result = RunModalWithScript(viewer, [&](CWindowScript& s) {
        s.Check(s.WaitFor([&] { return rowsShow(W / 2, 100, left, right) && rowsShow(4, 100, left, right); }),
                "fitted, the eyes fill the screen");
        s.Check(s.WaitFor([&] { return positionShown(); }), "the name and position with the first frame");
        s.Check(title(s.window) == "a.jps   1 / 2 - Zelto Viewer", "the title: " + title(s.window));
        s.Check(s.WaitFor([&] { return !positionShown(); }, 4000), "the name and position go after a moment");

        {
            // At once, from what the window holds: the file is not read again.
            CFileHandle locked(CreateFileA((pictures.path() + "a.jps").c_str(), GENERIC_READ, 0, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
            s.PressKey('S');
            s.Check(s.WaitFor([&] { return rowsShow(W / 2, 100, right, left); }), "S swaps the eyes");
        }
        s.PressKey('F');
        s.Check(s.WaitFor(
                    [&] { return rowsShow(W / 2, H / 2, right, left) && rowsShow(W / 4 - 4, H / 2, 0, 0); }),
                "F: unscaled, the quarter-size eyes in the middle, still swapped");

        // Turned towards the user: the next picture, unscaled too, both eyes alike.
        wheel(s.window, -WHEEL_DELTA);
        s.Check(s.WaitFor([&] { return rowsShow(W / 2, H / 2, flat, flat) && positionShown(); }),
                "the wheel shows the next picture with its position");
        s.Check(title(s.window) == "b.mpo   2 / 2 - Zelto Viewer", "the title: " + title(s.window));
        // A finer wheel: two half notches away from the user make one step back.
        wheel(s.window, WHEEL_DELTA / 2);
        Sleep(200);
        s.Check(rowsShow(W / 2, H / 2, flat, flat), "half a notch moved nothing");
        wheel(s.window, WHEEL_DELTA / 2);
        s.Check(s.WaitFor([&] { return rowsShow(W / 2, H / 2, right, left); }), "a notch back");

        // The anaglyph keeps the swap and the fit: the right eye behind the red filter.
        const CRgbPixel mixed = RedCyanPixel({GetRValue(right), GetGValue(right), GetBValue(right)},
                                             {GetRValue(left), GetGValue(left), GetBValue(left)});
        const COLORREF anaglyph = RGB(mixed.red, mixed.green, mixed.blue);
        s.PressKey('A');
        s.Check(s.WaitFor([&] {
            return rowsShow(W / 2, H / 2, anaglyph, anaglyph) && rowsShow(W / 4 - 4, H / 2, 0, 0);
        }),
                "A: the unscaled anaglyph");
        s.PressKey('A');
        s.Check(s.WaitFor([&] { return rowsShow(W / 2, H / 2, right, left); }), "A: Interlace again");
        s.PressKey(VK_ESCAPE);
    });
    EXPECT_EQ(result, 1);
}
