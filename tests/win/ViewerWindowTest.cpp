// The viewer's window run in this process: the capture settings it reads, with their fallbacks, its
// icon, every way out of it, and what it says when it cannot open.

#include "tests/win/DisplayTestSupport.h"
#include "viewer/ViewerDlg.h"
#include "viewer/resource.h"

#include <gtest/gtest.h>

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
    static bool ShowsTopBand(HWND window, COLORREF colour) {
        HDC dc = GetDC(window);
        const CPixels top = ReadPixels(dc, GetSystemMetrics(SM_CXSCREEN) / 2, 10, 1, 1);
        ReleaseDC(window, dc);
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
    WriteRegistryString(kCaptureKey, "Dir", std::string(300, 'd')); // longer than the buffer
    CViewerProbe longDir;
    EXPECT_FALSE(longDir.ReadCaptureSettings());
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
        s.Check(s.WaitFor([&] { return ShowsTopBand(s.window, top); }), "the frame");
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
            s.Check(s.WaitFor([&] { return ShowsTopBand(s.window, top); }), "the frame");
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
    EXPECT_EQ(failure("no settings"),
              "There are no capture settings to show pictures from. Choose them in the "
              "Activator's Capture Settings.");
    CTempDirectory series("zelto-viewer-empty");
    WriteRegistryNumber(kCaptureKey, "View Mode", 3);
    WriteRegistryString(kCaptureKey, "Dir", series.path());
    WriteRegistryString(kCaptureKey, "Name", "none");
    EXPECT_EQ(failure("no picture"), "There is no picture to show in " + series.path() + "none??.jpg.");
    MakeEmptyFile(series.path() + "none00.jpg");
    EXPECT_EQ(failure("an empty file"), "There is no picture to show in " + series.path() + "none??.jpg.");
}
