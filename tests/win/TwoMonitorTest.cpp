// The controller's monitor on two monitors: run by tools/two-monitor-test.sh on the two-monitor rig, the
// second monitor to the right or to the left of the primary. The Activator and the viewer run as
// programs of their own, watched from this process through the screen's device context (the rig has
// no screen file).

#include "activator/ModeTexts.h"
#include "activator/resource.h"
#include "linecode/LineCodePatterns.h"
#include "tests/support/WineTestSupport.h"
#include "tests/win/CaptureFixture.h"
#include "tests/win/DisplayTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using namespace testing_support;
using namespace display_testing;

namespace {

// The monitors as Wine reports them to this process, in its order (the primary first).
std::vector<RECT> ReportedMonitors() {
    std::vector<RECT> monitors;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR, HDC, LPRECT rect, LPARAM list) -> BOOL {
            reinterpret_cast<std::vector<RECT>*>(list)->push_back(*rect);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

// Item `index` of a list of another process (its text travels as Unicode).
std::string ComboItem(HWND combo, int index) {
    wchar_t text[256] = {};
    if (SendMessageW(combo, CB_GETLBTEXTLEN, index, 0) < 255)
        SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    return std::string(text, text + wcslen(text));
}

// The rows that codes take on `monitor`: its 32 top rows (the notification balloon of a capture shows
// just below them, at the top of the primary).
RECT CodeRows(const RECT& monitor) {
    return RECT{monitor.left, monitor.top, monitor.right, monitor.top + 32};
}

CPixels PixelsOf(const RECT& area) {
    return ReadPixels(nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top);
}

// The code runs seen in the top rows of `chosen` during `milliseconds`, or until `until` holds; `kept`
// is cleared when the top rows of `other` changed meanwhile.
std::vector<BandSeen> WatchMonitor(
    const RECT& chosen, std::span<const CodeLine> code, std::span<const CodeLine> doubleCode,
    const RECT& other, bool& kept, DWORD milliseconds,
    const std::function<bool()>& until = [] { return false; }) {
    const RECT band = CodeRows(chosen);
    const CPixels otherBefore = PixelsOf(CodeRows(other));
    kept = true;
    return WatchCodeBand(
        code, doubleCode,
        [&] {
            kept = kept && PixelsOf(CodeRows(other)) == otherBefore;
            return until();
        },
        milliseconds, &band);
}

class TwoMonitors : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteProductTree();
        monitors = ReportedMonitors();
        if (monitors.size() != 2)
            GTEST_SKIP() << "The two-monitor rig cannot start: Wine reports " << monitors.size()
                         << " monitors";
    }
    void TearDown() override {
        EndActivator(activator);
        DeleteProductTree();
    }

    std::vector<RECT> monitors;
    CChildProcess activator;
};

} // namespace

TEST_F(TwoMonitors, TheTestDialogChoosesTheControllersMonitorWhichFallsBackToThePrimaryWhenRemoved) {
    const RECT primary = monitors[0];
    const RECT second = monitors[1];
    const int width = second.right - second.left;
    const int height = second.bottom - second.top;
    HWND window = StartActivator(activator);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ControlText(window, IDC_STATUS), "");

    // The test dialog lists both monitors, the primary marked and chosen; choosing the second one stores
    // it for this user at once, by device name and rectangle.
    PostMessageA(window, WM_COMMAND, IDC_TEST, 0);
    HWND dialog = WaitForWindow("#32770", "Testing", 10000);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }, 5000));
    HWND list = GetDlgItem(dialog, IDC_TEST_MONITOR);
    ASSERT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(ComboItem(list, 0), "1: " + std::to_string(primary.right) + " x " +
                                      std::to_string(primary.bottom) + " at 0, 0 (primary)");
    EXPECT_EQ(ComboItem(list, 1), "2: " + std::to_string(width) + " x " + std::to_string(height) + " at " +
                                      std::to_string(second.left) + ", " + std::to_string(second.top));
    EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 0);
    SendMessageA(list, CB_SETCURSEL, 1, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_TEST_MONITOR, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    const std::string monitorKey = std::string("HKCU\\") + kProductKeyPath + "\\1.0\\Controller Monitor";
    std::string device;
    EXPECT_TRUE(ReadRegistryString(monitorKey, "Device", device) && device == "\\\\.\\DISPLAY2") << device;
    std::int32_t edges[4] = {};
    DWORD size = sizeof edges;
    RegGetValueA(HKEY_CURRENT_USER, monitorKey.c_str() + 5, "Rectangle", RRF_RT_REG_BINARY, nullptr, edges,
                 &size);
    const RECT stored{edges[0], edges[1], edges[2], edges[3]};
    EXPECT_TRUE(size == sizeof edges && EqualRect(&stored, &second));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));

    // The Activator's codes go to the top rows of the chosen monitor, across its width, and nowhere else.
    // Bands of their own over the monitors' top rows, so that no other window's painting is taken for
    // a code's; gone before the capture.
    const auto band = [](const RECT& monitor) {
        return std::make_unique<CPatternWindow>(
            RECT{monitor.left, monitor.top, monitor.right, monitor.top + 60},
            [](int x, int y) { return RGB((x * 7 + y) & 0xFF, (y * 29) & 0xFF, 90); });
    };
    auto bands = std::make_pair(band(primary), band(second));
    ASSERT_TRUE(WaitUntil(
        [&] { return PixelsOf(CodeRows(second)).data[0] == bands.second->Expected().data[0]; }, 5000));
    bool kept = false;
    PostMessageA(window, WM_COMMAND, IDC_SHOW_INTERLACE, 0);
    EXPECT_EQ(
        WatchMonitor(second, PatternForCode(kCodeInterlace), DoubleInterlacePattern(), primary, kept, 2500),
        std::vector<BandSeen>({BandSeen::Code, BandSeen::DoubleCode}));
    EXPECT_TRUE(kept) << "a code reached the primary monitor";

    // The viewer covers exactly the chosen monitor, in Sync Double with the bands of its height (the
    // table's rows for 1024 and 600 rows), with its codes in the monitor's top rows.
    const CTempDirectory captures("zelto-two-monitors");
    const std::string captureKey = std::string(kProductKeyPath) + "\\1.0\\Capture";
    WriteRegistryString(captureKey, "Dir", captures.path());
    WriteRegistryString(captureKey, "Name", "TwoMon");
    const std::string pair = captures.path() + "pair.jps";
    ASSERT_TRUE(WritePairFile(pair, width / 2, height / 4, RGB(220, 60, 60), RGB(60, 60, 220)));
    WriteRegistryNumber(captureKey, "View Mode", 1);
    const int topEnd = height == 1024 ? 495 : 285;
    const int bottomStart = height == 1024 ? 529 : 315;
    const auto at = [&](int row) {
        const int x = second.left + width / 2;
        return PixelsOf(RECT{x, second.top + row, x + 1, second.top + row + 1}).At(0, 0);
    };
    const auto framed = [&] {
        return Near(at(topEnd - 1), RGB(220, 60, 60)) && Near(at(bottomStart), RGB(60, 60, 220));
    };
    CChildProcess viewer;
    ASSERT_TRUE(viewer.Start(PathBesideTest("ZeltoViewer.exe"), "\"" + pair + "\""));
    EXPECT_EQ(WatchMonitor(second, PatternForCode(kCodeSyncDouble), {}, primary, kept, 10000, framed),
              std::vector<BandSeen>({BandSeen::Code}));
    EXPECT_TRUE(kept) << "the viewer's code reached the primary monitor";
    EXPECT_TRUE(framed()) << "no left eye above row " << topEnd << " or no right eye from row "
                          << bottomStart;
    const HWND shown = FindThreadWindow(viewer.ThreadId());
    RECT covered{};
    GetWindowRect(shown, &covered);
    EXPECT_TRUE(EqualRect(&covered, &second))
        << covered.left << "," << covered.top << " " << covered.right << "," << covered.bottom;
    EXPECT_EQ(at(topEnd), 0u);
    EXPECT_EQ(at(bottomStart - 1), 0u);
    EXPECT_TRUE(Near(at(height - 1), RGB(60, 60, 220)));
    PostMessageA(shown, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(WatchMonitor(second, DoubleNormalPattern(), PatternForCode(kCodeNormal), primary, kept, 5000,
                           [&] { return viewer.Wait(0) != -1; }),
              kClosingFlashes);
    EXPECT_EQ(viewer.Wait(5000), 0);
    EXPECT_TRUE(kept) << "the viewer's closing codes reached the primary monitor";

    // A capture takes the chosen monitor, at its size, and nothing else (its notification shows on the
    // primary, where the notification area is).
    bands = {};
    const auto blocks = [](int x, int y) {
        return RGB(40 + (x / 64) * 50 % 200, 40 + (y / 64) * 70 % 200, 160);
    };
    CPatternWindow picture(second, [&](int x, int y) { return blocks(x - second.left, y - second.top); });
    WriteRegistryNumber(captureKey, "View Mode", 3);
    ASSERT_TRUE(WaitUntil([&] { return PixelsOf(second) == picture.Expected(); }, 5000));
    PressKeys({VK_SCROLL});
    CDecodedPicture captured;
    ASSERT_TRUE(WaitUntil([&] { return DecodePicture(captures.path() + "TwoMon00.jpg", captured); }, 10000));
    ASSERT_EQ(captured.width, width);
    ASSERT_EQ(captured.height, height);
    int wrong = 0;
    for (int y = 32; y < captured.height; y += 64)
        for (int x = 32; x < captured.width; x += 64)
            wrong += ChannelDifference(captured.At(x, y), PixelOf(blocks(x, y))) > 16;
    EXPECT_EQ(wrong, 0) << "blocks of the capture that are not the chosen monitor's";

    // The second monitor goes (Wine runs the X server's programs too): the status line says once that the
    // primary stands in, and the codes go there.
    WinExec("/usr/bin/xrandr --output DUMMY1 --off", SW_HIDE);
    ASSERT_TRUE(WaitUntil([] { return GetSystemMetrics(SM_CMONITORS) == 1; }, 10000));
    // The X screen changed: this thread's windows paint again before anything is read.
    WaitUntil([] { return false; }, 1000);
    DWORD_PTR result = 0;
    const LPARAM primarySize = MAKELPARAM(primary.right, primary.bottom);
    SendMessageTimeoutA(window, WM_DISPLAYCHANGE, 32, primarySize, SMTO_BLOCK, 5000, &result);
    EXPECT_EQ(ControlText(window, IDC_STATUS), kControllerMonitorGoneText);
    PostMessageA(window, WM_COMMAND, IDC_SHOW_PAGEFLIP, 0);
    EXPECT_EQ(WatchMonitor(primary, PatternForCode(kCodePageFlip), {}, primary, kept, 1500),
              std::vector<BandSeen>({BandSeen::Code}));
    SendMessageTimeoutA(window, WM_DISPLAYCHANGE, 32, primarySize, SMTO_BLOCK, 5000, &result);
    EXPECT_EQ(ControlText(window, IDC_STATUS), "Page Flipping") << "told more than once";
}
