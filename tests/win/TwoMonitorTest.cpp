// The controller's monitor on two monitors: run by tools/two-monitor-test.sh on the two-monitor rig,
// whose layout it hands over in ZELTO_MONITORS (the rectangles in Windows' coordinates, the primary
// first). The Activator runs as a program of its own and is watched from this process.

#include "activator/ModeTexts.h"
#include "activator/resource.h"
#include "linecode/LineCodePatterns.h"
#include "tests/support/WineTestSupport.h"
#include "tests/win/CaptureFixture.h"
#include "tests/win/DisplayTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace testing_support;
using namespace display_testing;

namespace {

const char kMonitorKeyPath[] = "Software\\Korva Corporation\\Zelto Activator\\1.0\\Controller Monitor";

// The rig's monitors as the rig set them up.
std::vector<RECT> RigMonitors() {
    std::vector<RECT> monitors;
    const char* layout = std::getenv("ZELTO_MONITORS");
    std::istringstream words(layout ? layout : "");
    std::string word;
    while (words >> word) {
        RECT r{};
        if (std::sscanf(word.c_str(), "%ld,%ld,%ld,%ld", &r.left, &r.top, &r.right, &r.bottom) == 4)
            monitors.push_back(r);
    }
    return monitors;
}

// The monitors as Wine reports them to this process, in its order.
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

std::string ComboItem(HWND combo, int index) {
    wchar_t text[256] = {};
    if (SendMessageW(combo, CB_GETLBTEXTLEN, index, 0) >= 255)
        return {};
    SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    char narrow[256] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

std::string ListText(int number, const RECT& r, bool primary) {
    return std::to_string(number) + ": " + std::to_string(r.right - r.left) + " x " +
           std::to_string(r.bottom - r.top) + " at " + std::to_string(r.left) + ", " + std::to_string(r.top) +
           (primary ? " (primary)" : "");
}

// Runs a program of the X server's side (Wine starts native programs without a handle to wait for).
void RunNative(std::string command) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

// A band of 60 rows at the top of `monitor` that no code can be mistaken for.
std::unique_ptr<CPatternWindow> PatternBand(const RECT& monitor) {
    return std::make_unique<CPatternWindow>(
        RECT{monitor.left, monitor.top, monitor.right, monitor.top + 60},
        [](int x, int y) { return RGB((x * 7 + y) & 0xFF, (y * 29) & 0xFF, 90); });
}

// The rows that codes take: the 32 top rows of `monitor` (the notification balloon of a capture shows
// just below them, at the top of the primary).
constexpr int kCodeRows = 32;

CPixels TopBand(const RECT& monitor) {
    return ReadPixels(nullptr, monitor.left, monitor.top, monitor.right - monitor.left, kCodeRows);
}

CPixels CodeRowsOf(int width, std::span<const CodeLine> lines) {
    CPixels band = CodeBandOf(width, lines);
    band.height = kCodeRows;
    band.data.resize(static_cast<std::size_t>(width) * kCodeRows);
    return band;
}

// The codes that the top band of `chosen` showed, in order (1 for `first`, 2 for `second`), sampled from
// the screen until it showed something else after `second` (or `first` when there is no second);
// `otherKept` tells whether the band of `other` kept its pixels all the while.
std::vector<int> WatchCodes(const RECT& chosen, std::span<const CodeLine> first,
                            std::span<const CodeLine> second, const RECT& other, bool& otherKept) {
    const CPixels otherBefore = TopBand(other);
    const CPixels firstBand = CodeRowsOf(chosen.right - chosen.left, first);
    const CPixels secondBand = CodeRowsOf(chosen.right - chosen.left, second);
    std::vector<int> seen;
    otherKept = true;
    WaitUntil(
        [&] {
            const CPixels now = TopBand(chosen);
            const int code = now == firstBand ? 1 : !second.empty() && now == secondBand ? 2 : 0;
            if (code && (seen.empty() || seen.back() != code))
                seen.push_back(code);
            otherKept = otherKept && TopBand(other) == otherBefore;
            return !seen.empty() && seen.back() == (second.empty() ? 1 : 2) && code == 0;
        },
        8000);
    return seen;
}

// The window of the process `processId` that is visible; null when there is none.
HWND VisibleWindowOf(DWORD processId) {
    struct Search {
        DWORD processId;
        HWND found;
    } search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->processId && IsWindowVisible(window))
                s->found = window;
            return s->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class TwoMonitors : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteProductTree();
        rig = RigMonitors();
        if (rig.size() != 2 || ReportedMonitors().size() != 2)
            GTEST_SKIP() << "The two-monitor rig cannot start: the rig gives " << rig.size()
                         << " monitors and Wine reports " << ReportedMonitors().size();
    }
    void TearDown() override {
        EndActivator(activator);
        DeleteProductTree();
    }

    std::vector<RECT> rig;
    CChildProcess activator;
};

} // namespace

TEST_F(TwoMonitors, TheTestDialogChoosesTheControllersMonitorWhichFallsBackToThePrimaryWhenRemoved) {
    const std::vector<RECT> reported = ReportedMonitors();
    for (std::size_t i = 0; i < rig.size(); ++i)
        EXPECT_TRUE(EqualRect(&reported[i], &rig[i]))
            << "monitor " << i + 1 << " is not where the rig put it";

    HWND window = StartActivator(activator);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ControlText(window, IDC_STATUS), "");

    // The test dialog lists both monitors, the primary marked and chosen.
    PostMessageA(window, WM_COMMAND, IDC_TEST, 0);
    HWND dialog = WaitForWindow("#32770", "Testing", 10000);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }, 5000));
    HWND list = GetDlgItem(dialog, IDC_TEST_MONITOR);
    ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(ComboItem(list, 0), ListText(1, rig[0], true));
    EXPECT_EQ(ComboItem(list, 1), ListText(2, rig[1], false));
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 0);

    // Choosing the second one stores it for this user at once.
    SendMessageW(list, CB_SETCURSEL, 1, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_TEST_MONITOR, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    char device[64] = {};
    DWORD size = sizeof device;
    EXPECT_EQ(
        RegGetValueA(HKEY_CURRENT_USER, kMonitorKeyPath, "Device", RRF_RT_REG_SZ, nullptr, device, &size),
        ERROR_SUCCESS);
    EXPECT_STREQ(device, "\\\\.\\DISPLAY2");
    std::int32_t edges[4] = {};
    size = sizeof edges;
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, kMonitorKeyPath, "Rectangle", RRF_RT_REG_BINARY, nullptr, edges,
                           &size),
              ERROR_SUCCESS);
    const RECT stored{edges[0], edges[1], edges[2], edges[3]};
    EXPECT_TRUE(size == sizeof edges && EqualRect(&stored, &rig[1]));

    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));
    EXPECT_EQ(ControlText(window, IDC_STATUS), "");

    // The Activator's codes go to the top rows of the chosen monitor, across its width, and nowhere else.
    const auto primaryBand = PatternBand(rig[0]);
    const auto secondBand = PatternBand(rig[1]);
    ASSERT_TRUE(WaitUntil([&] { return TopBand(rig[1]).data[0] == secondBand->Expected().data[0]; }, 5000));
    bool primaryKept = false;
    PostMessageA(window, WM_COMMAND, IDC_SHOW_INTERLACE, 0);
    EXPECT_EQ(
        WatchCodes(rig[1], PatternForCode(kCodeInterlace), DoubleInterlacePattern(), rig[0], primaryKept),
        std::vector<int>({1, 2}));
    EXPECT_TRUE(primaryKept) << "a code reached the primary monitor";

    const CTempDirectory captures("zelto-two-monitors");
    const std::string captureKey = std::string(kProductKeyPath) + "\\1.0\\Capture";
    WriteRegistryString(captureKey, "Dir", captures.path());
    WriteRegistryString(captureKey, "Name", "TwoMon");
    // The viewer covers exactly the chosen monitor, in Sync Double with the bands of its size (the table's
    // rows for 1280 and 800 pixels), with its codes in the monitor's top rows.
    const RECT& second = rig[1];
    const int width = second.right - second.left;
    const int height = second.bottom - second.top;
    const std::string pair = captures.path() + "pair.jps";
    ASSERT_TRUE(WritePairFile(pair, width / 2, height / 4, RGB(220, 60, 60), RGB(60, 60, 220)));
    WriteRegistryNumber(captureKey, "View Mode", 1);
    CChildProcess viewer;
    ASSERT_TRUE(viewer.Start(PathBesideTest("ZeltoViewer.exe"), "\"" + pair + "\""));
    EXPECT_EQ(WatchCodes(second, PatternForCode(kCodeSyncDouble), {}, rig[0], primaryKept),
              std::vector<int>({1}));
    EXPECT_TRUE(primaryKept) << "the viewer's code reached the primary monitor";
    const HWND shown = VisibleWindowOf(viewer.ProcessId());
    RECT covered{};
    GetWindowRect(shown, &covered);
    EXPECT_TRUE(EqualRect(&covered, &second))
        << covered.left << "," << covered.top << " " << covered.right << "," << covered.bottom;
    const int topEnd = width == 1280 ? 495 : 285;
    const int bottomStart = width == 1280 ? 529 : 315;
    const auto at = [&](int row) {
        return ReadPixels(nullptr, second.left + width / 2, second.top + row, 1, 1).At(0, 0);
    };
    EXPECT_TRUE(WaitUntil(
        [&] { return Near(at(topEnd - 1), RGB(220, 60, 60)) && Near(at(bottomStart), RGB(60, 60, 220)); },
        5000))
        << "no left eye above row " << topEnd << " or no right eye from row " << bottomStart;
    EXPECT_EQ(at(topEnd), 0u);
    EXPECT_EQ(at(bottomStart - 1), 0u);
    EXPECT_TRUE(Near(at(height - 1), RGB(60, 60, 220)));
    PostMessageA(shown, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(WatchCodes(second, DoubleNormalPattern(), PatternForCode(kCodeNormal), rig[0], primaryKept),
              std::vector<int>({1, 2}));
    EXPECT_EQ(viewer.Wait(5000), 0);
    EXPECT_TRUE(primaryKept) << "the viewer's closing codes reached the primary monitor";

    // A capture takes the chosen monitor, at its size, and nothing else (its notification shows on the
    // primary, where the notification area is).
    const auto blocks = [](int x, int y) {
        return RGB(40 + (x / 64) * 50 % 200, 40 + (y / 64) * 70 % 200, 160);
    };
    CPatternWindow picture(second, [&](int x, int y) { return blocks(x - second.left, y - second.top); });
    WriteRegistryNumber(captureKey, "View Mode", 3);
    ASSERT_TRUE(WaitUntil(
        [&] { return ReadPixels(nullptr, second.left, second.top, width, height) == picture.Expected(); },
        5000));
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

    // The second monitor goes: the status line says once that the primary stands in.
    RunNative("/usr/bin/xrandr --output DUMMY1 --off");
    ASSERT_TRUE(WaitUntil([] { return GetSystemMetrics(SM_CMONITORS) == 1; }, 10000));
    // The X screen changed: this thread's windows paint again before anything is read.
    WaitUntil([] { return false; }, 1000);
    DWORD_PTR result = 0;
    const LPARAM primarySize = MAKELPARAM(rig[0].right - rig[0].left, rig[0].bottom - rig[0].top);
    SendMessageTimeoutA(window, WM_DISPLAYCHANGE, 32, primarySize, SMTO_BLOCK, 5000, &result);
    EXPECT_EQ(ControlText(window, IDC_STATUS), kControllerMonitorGoneText);
    // The codes go to the primary now, and the status line does not tell it again.
    PostMessageA(window, WM_COMMAND, IDC_SHOW_PAGEFLIP, 0);
    EXPECT_EQ(WatchCodes(rig[0], PatternForCode(kCodePageFlip), {}, rig[0], primaryKept),
              std::vector<int>({1}));
    SendMessageTimeoutA(window, WM_DISPLAYCHANGE, 32, primarySize, SMTO_BLOCK, 5000, &result);
    EXPECT_EQ(ControlText(window, IDC_STATUS), "Page Flipping") << "told more than once";
}
