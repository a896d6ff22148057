// "Testing" and the test display run in this process on a 640x480 screen: the bitmaps remembered for the
// user over the machine's and their fallbacks, Load... with the system's open-file dialog, the status texts,
// the test display's flashes and frames watched on the screen as the X server shows it, and every way out of
// the test display, the end of the Activator included.

#include "activator/ActivatorDlg.h"
#include "activator/TestDlg.h"
#include "activator/resource.h"
#include "display/StereoFrame.h"
#include "tests/win/DisplayTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace display_testing;
using namespace testing_support;

namespace {

// The machine's defaults, and where the dialog remembers the user's own.
const std::string kDirKey = std::string(kProductKeyPath) + "\\1.0\\Dir";
const std::string kUserDirKey = std::string(kUserProductKeyPath) + "\\1.0\\Dir";
constexpr COLORREF kLeft = RGB(220, 30, 30);
constexpr COLORREF kRight = RGB(30, 30, 220);

class TestDialog : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteProductTree();
        leftPath = files.path() + "left.bmp";
        rightPath = files.path() + "right.BMP";
        ASSERT_TRUE(WriteBitmapFile(leftPath, 64, 48, kLeft));
        ASSERT_TRUE(WriteBitmapFile(rightPath, 33, 21, kRight));
    }
    void TearDown() override { DeleteProductTree(); }

    static std::string Stored(const char* value, const std::string& key = kUserDirKey) {
        std::string text = "(missing)";
        ReadRegistryString(key, value, text);
        return text;
    }
    static bool TestButtonEnabled(HWND dialog) {
        return IsWindowEnabled(GetDlgItem(dialog, IDC_TEST_DO)) != FALSE;
    }

    // The colour that the screen shows in the middle of a preview of `dialog`.
    static std::uint32_t PreviewColour(HWND dialog, int previewId) {
        RECT frame;
        GetWindowRect(GetDlgItem(dialog, previewId), &frame);
        const CPixels middle =
            ReadScreen((frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2, 1, 1);
        return middle.data.empty() ? 0xFFFFFFFF : middle.At(0, 0);
    }

    // Selects test format `format` (-1: none) and presses "Do Test!".
    static void DoTest(CWindowScript& s, int format) {
        SendDlgItemMessageA(s.window, IDC_TEST_FORMAT, CB_SETCURSEL, static_cast<WPARAM>(format), 0);
        s.PressButton(s.window, IDC_TEST_DO);
    }

    CTempDirectory files{"zelto-test-dialog"};
    std::string leftPath;
    std::string rightPath;
};

} // namespace

TEST_F(TestDialog, StoredBitmapsArePreviewedAndTheTestIsReady) {
    // The machine's left, and the user's own right over the machine's.
    WriteRegistryString(kDirKey, "Left Image", leftPath);
    WriteRegistryString(kDirKey, "Right Image", files.path() + "machine.bmp");
    WriteRegistryString(kUserDirKey, "Right Image", rightPath);
    CTestDlg dialog;
    const INT_PTR result = RunModalWithScript(dialog, [&](CWindowScript& s) {
        s.Check(TestButtonEnabled(s.window), "Do Test! enabled");
        s.Check(ControlText(s.window, IDC_STATUS).empty(), "no status text");
        s.Check(ControlText(s.window, IDC_TEST_FORMAT) == "Sync. Doubling", "Sync. Doubling selected");
        s.Check(s.WaitFor([&] { return PreviewColour(s.window, IDC_TEST_LEFT_PREVIEW) == PixelOf(kLeft); }),
                "left preview");
        s.Check(PreviewColour(s.window, IDC_TEST_RIGHT_PREVIEW) == PixelOf(kRight), "right preview");
        s.PressButton(s.window, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(Stored("Left Image"), leftPath);
    EXPECT_EQ(Stored("Right Image"), rightPath);
    std::string version;
    EXPECT_TRUE(ReadRegistryString(kUserProductKeyPath, "Current Version", version));
    EXPECT_EQ(version, "1.0");
    EXPECT_FALSE(ReadRegistryString(kProductKeyPath, "Current Version", version)) << "written for everyone";
}

TEST_F(TestDialog, TheDefaultPathIsTriedOnceAndWrittenBack) {
    const std::string missing = files.path() + "missing.bmp";
    WriteRegistryString(kDirKey, "Left Image", missing);
    WriteRegistryString(kDirKey, "Default Left Image", leftPath);
    WriteRegistryString(kDirKey, "Right Image", missing);
    WriteRegistryString(kDirKey, "Default Right Image", files.path() + "also-missing.bmp");
    CTestDlg dialog;
    RunModalWithScript(dialog, [&](CWindowScript& s) {
        s.Check(!TestButtonEnabled(s.window), "Do Test! disabled");
        s.Check(ControlText(s.window, IDC_STATUS) == "Please load testing images first!", "the status text");
        s.Check(s.WaitFor([&] { return PreviewColour(s.window, IDC_TEST_LEFT_PREVIEW) == PixelOf(kLeft); }),
                "the default left bitmap");
        s.PressButton(s.window, IDCANCEL);
    });
    EXPECT_EQ(Stored("Left Image"), leftPath);
    EXPECT_EQ(Stored("Right Image"), files.path() + "also-missing.bmp");
    EXPECT_EQ(Stored("Default Left Image", kDirKey), leftPath);
    EXPECT_EQ(Stored("Left Image", kDirKey), missing);
}

TEST_F(TestDialog, PathsShorterThanTwoCharactersAreNotWrittenBack) {
    WriteRegistryString(kDirKey, "Left Image", "x");
    WriteRegistryString(kDirKey, "Right Image", rightPath);
    CTestDlg dialog;
    RunModalWithScript(dialog, [&](CWindowScript& s) { s.PressButton(s.window, IDOK); });
    EXPECT_EQ(Stored("Left Image"), "(missing)");
    EXPECT_EQ(Stored("Right Image"), rightPath);

    // Nothing at all in the registry: nothing is written but the version.
    DeleteProductTree();
    CTestDlg empty;
    RunModalWithScript(empty, [&](CWindowScript& s) { s.PressButton(s.window, IDOK); });
    EXPECT_EQ(Stored("Left Image"), "(missing)");
    EXPECT_TRUE(RegistryKeyExists(kUserDirKey));
}

TEST_F(TestDialog, LoadRefusesOtherFilesAndAFailedLoadClearsOnlyItsSide) {
    const std::string picture = files.path() + "picture.jpg";
    const std::string broken = files.path() + "broken.bmp";
    ASSERT_TRUE(WritePairFile(picture, 20, 20, kLeft, kLeft));
    ASSERT_TRUE(WriteBitmapFile(broken, 64, 48, kLeft, 100));
    WriteRegistryString(kDirKey, "Left Image", leftPath);
    WriteRegistryString(kDirKey, "Right Image", rightPath);
    CTestDlg dialog;
    RunModalWithScript(dialog, [&](CWindowScript& s) {
        s.PressButton(s.window, IDC_TEST_LOAD_LEFT);
        s.Check(s.ChooseInFileDialog(s.window, picture), "the open-file dialog (picture)");
        s.Check(s.WaitFor([&] {
            return ControlText(s.window, IDC_STATUS) == "You must specify a windows bitmap file!";
        }),
                "the extension is refused");
        s.Check(TestButtonEnabled(s.window), "nothing changed");

        s.PressButton(s.window, IDC_TEST_LOAD_RIGHT);
        s.Check(s.ChooseInFileDialog(s.window, broken), "the open-file dialog (broken)");
        s.Check(s.WaitFor([&] { return ControlText(s.window, IDC_STATUS) == "Load image failed!"; }),
                "load failed");
        s.Check(s.WaitFor([&] { return !TestButtonEnabled(s.window); }), "Do Test! disabled");
        s.Check(s.WaitFor([&] { return PreviewColour(s.window, IDC_TEST_RIGHT_PREVIEW) != PixelOf(kRight); }),
                "the right preview is cleared");
        s.Check(PreviewColour(s.window, IDC_TEST_LEFT_PREVIEW) == PixelOf(kLeft),
                "the left side is untouched");

        // A good bitmap for the right side makes the test ready again.
        s.PressButton(s.window, IDC_TEST_LOAD_RIGHT);
        s.Check(s.ChooseInFileDialog(s.window, leftPath), "the open-file dialog (left.bmp)");
        s.Check(s.WaitFor([&] { return TestButtonEnabled(s.window); }), "Do Test! enabled again");
        s.Check(s.WaitFor([&] { return PreviewColour(s.window, IDC_TEST_RIGHT_PREVIEW) == PixelOf(kLeft); }),
                "the right preview shows the new bitmap");
        s.PressButton(s.window, IDOK);
    });
    EXPECT_EQ(Stored("Left Image"), leftPath);
    EXPECT_EQ(Stored("Right Image"), leftPath);
}

namespace {

bool FrameIs(const Colour& expected) {
    const CPixels frame = ReadScreen(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; x += 7)
            if (frame.At(x, y) != PixelOf(expected(x, y)))
                return false;
    return frame.height > 0;
}

} // namespace

namespace {

// Runs tests on both stored bitmaps in one test dialog.
class TestRun : public TestDialog {
protected:
    void SetUp() override {
        TestDialog::SetUp();
        WriteRegistryString(kDirKey, "Left Image", leftPath);
        WriteRegistryString(kDirKey, "Right Image", rightPath);
    }

    // Starts a test of `format` in the dialog of `s`: checks the opening codes (`code`, then
    // `doubleCode` if any), that the frame comes out as `frame`, and the status text. The test
    // display, or null.
    static HWND StartTest(CWindowScript& s, int format, std::span<const CodeLine> code,
                          std::span<const CodeLine> doubleCode, const Colour& frame,
                          const std::string& status) {
        DoTest(s, format);
        HWND display = s.WaitForWindow(s.window);
        if (!display) {
            s.Check(false, "no test display");
            return nullptr;
        }
        // Presses while the code is sent are ignored.
        PostMessageA(display, WM_KEYDOWN, VK_SPACE, 1);
        PostMessageA(display, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageA(display, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        const auto opening = WatchCodeBand(code, doubleCode, [&] { return FrameIs(frame); });
        const auto expected = doubleCode.empty()
                                  ? std::vector<BandSeen>{BandSeen::Code}
                                  : std::vector<BandSeen>{BandSeen::Code, BandSeen::DoubleCode};
        s.Check(opening == expected, "the opening codes");
        s.Check(s.WaitFor([&] { return FrameIs(frame); }), "the frame");
        Sleep(300);
        s.Check(IsWindowVisible(display) != FALSE, "a press before the frame ended the test");
        s.Check(ControlText(s.window, IDC_STATUS) == status, "the status text");
        return display;
    }

    // Runs one test dialog with a test of `format` (StartTest), then hands the open test display to
    // `then`, which ends it.
    void Run(int format, std::span<const CodeLine> code, std::span<const CodeLine> doubleCode,
             const Colour& frame, const std::string& status,
             const std::function<void(CWindowScript&, HWND display)>& then) {
        CTestDlg dialog;
        RunModalWithScript(dialog, [&](CWindowScript& s) {
            if (HWND display = StartTest(s, format, code, doubleCode, frame, status)) {
                then(s, display);
                s.Check(s.WaitFor([&] { return !IsWindow(display); }), "the test display ended");
            }
            s.PressButton(s.window, IDOK);
        });
    }

    static Colour Bands() {
        return [](int, int y) { return y < 200 ? kLeft : (y >= 263 && y < 463) ? kRight : RGB(0, 0, 0); };
    }
};

} // namespace

TEST_F(TestRun, SyncDoublingShowsBothBitmapsInTheirBandsUntilAPress) {
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
    Run(kViewSyncDouble, PatternForCode(kCodeSyncDouble), {}, Bands(), "Test Sync. Doubling",
        [](CWindowScript& s, HWND display) {
            PostMessageA(display, WM_RBUTTONDOWN, MK_RBUTTON, 0);
            const auto closing = WatchCodeBand(DoubleNormalPattern(), PatternForCode(kCodeNormal),
                                               [&] { return !IsWindow(display); });
            s.Check(closing == std::vector<BandSeen>({BandSeen::Code, BandSeen::DoubleCode}),
                    "the Normal codes");
        });
}

TEST_F(TestRun, InterlacingShowsTheLeftBitmapOnEvenRowsAndReturnEndsIt) {
    const auto rows = [](int, int y) { return y % 2 == 0 ? kLeft : kRight; };
    Run(kViewInterlace, PatternForCode(kCodeInterlace), DoubleInterlacePattern(), rows, "Test Interlacing",
        [](CWindowScript&, HWND display) { PostMessageA(display, WM_KEYDOWN, VK_RETURN, 1); });
}

TEST_F(TestRun, EveryWayOutHandsTheControllerBackOnce) {
    // All in one test dialog, which stays open; the program's end is the next test's.
    CTestDlg dialog;
    RunModalWithScript(dialog, [&](CWindowScript& s) {
        const auto rows = [](int, int y) { return y % 2 == 0 ? kLeft : kRight; };
        for (CloseWay way : kEveryCloseWay) {
            if (way == CloseWay::kQuitMessage)
                continue;
            HWND display =
                StartTest(s, kViewLineBlank, PatternForCode(kCodeLineBlank), {}, rows, "Test Line Blanking");
            if (!display)
                return;
            s.Check(CloseAndWatch(display, s.uiThread, way) == kClosingFlashes,
                    std::string("the Normal codes after ") + NameOf(way));
            s.Check(IsWindowVisible(s.window) != FALSE,
                    std::string("the test dialog closed with ") + NameOf(way));
        }
        s.PressButton(s.window, IDOK);
    });
}

TEST_F(TestRun, TheActivatorEndingDuringATestHandsTheControllerBack) {
    // By its "Exit" command, which destroys its window and the dialogs it owns, and by the posted
    // WM_DESTROY of the property page, which ends the program's message loops.
    for (const bool exitCommand : {true, false}) {
        CActivatorDlg activator;
        ASSERT_TRUE(activator.Create());
        const HWND main = activator.GetSafeHwnd();
        ShowWindow(main, SW_HIDE);
        std::atomic<bool> ended{false};
        std::vector<BandSeen> closing;
        CWindowScript s;
        s.uiThread = GetCurrentThreadId();
        s.modalEnded = &ended;
        std::thread driver([&] {
            s.window = s.WaitForWindow(main);
            HWND display = s.window && s.WaitFor([&] { return TestButtonEnabled(s.window); })
                               ? StartTest(s, kViewSyncDouble, PatternForCode(kCodeSyncDouble), {}, Bands(),
                                           "Test Sync. Doubling")
                               : nullptr;
            if (exitCommand)
                PostMessageA(main, WM_COMMAND, ID_EXIT, 0);
            else
                PostMessageA(main, WM_DESTROY, 0, 0);
            if (display)
                closing = WatchCodeBand(
                    DoubleNormalPattern(), PatternForCode(kCodeNormal), [&] { return ended.load(); }, 10000);
        });
        // "Test..." runs the test dialog; the call returns when the Activator's end has ended it.
        SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_TEST, BN_CLICKED), 0);
        Sleep(300);
        ended = true;
        driver.join();
        for (const std::string& problem : s.problems)
            ADD_FAILURE() << problem;
        EXPECT_EQ(closing, kClosingFlashes) << (exitCommand ? "Exit" : "WM_DESTROY");
        EXPECT_EQ(IsWindow(main) == FALSE, exitCommand);
        DiscardQuitMessage();
    }
}

TEST_F(TestDialog, WithoutAFormatThereIsNoTest) {
    WriteRegistryString(kDirKey, "Left Image", leftPath);
    WriteRegistryString(kDirKey, "Right Image", rightPath);
    CTestDlg dialog;
    RunModalWithScript(dialog, [&](CWindowScript& s) {
        SetDlgItemTextA(s.window, IDC_STATUS, "before");
        // Without a selected format there is no test and no status text.
        DoTest(s, -1);
        s.Check(s.WaitFor([&] { return ControlText(s.window, IDC_STATUS).empty(); }), "empty status text");
        s.Check(s.WaitForWindow(s.window, 1000) == nullptr, "no test display");
        s.PressButton(s.window, IDOK);
    });
}
