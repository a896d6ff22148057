// The hotkey watch in this process, fed with real key events (SendInput): which hotkey acts and when,
// what reaches the target window, that every key reaches the program in front in order, and the bad
// cases: a target window that is gone, a detach during an action, threads that cannot start, hotkeys
// changed while keys are pressed.

#include "keyhook/KeyHook.h"
#include "keyhook/KeyWatch.h"
#include "keyhook/SharedState.h"
#include "linecode/ResultCodes.h"
#include "settings/ActivatorMessages.h"
#include "tests/support/WineTestSupport.h"
#include "tests/win/CaptureFixture.h"
#include "tests/win/TestWindow.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <initializer_list>
#include <thread>
#include <vector>

using namespace testing_support;

namespace {

// What the windows of this thread received, in the order they handled it.
struct CEvent {
    enum Kind { kKey, kResult, kCaptureReport } kind;
    UINT code;  // the key, or the result message
    int result; // of a result or a capture report
    std::string path;

    bool operator==(const CEvent&) const = default;
};
std::vector<CEvent> g_events;

CEvent Key(UINT key) {
    return {CEvent::kKey, key, 0, {}};
}
CEvent Result(UINT message, int result = 0) {
    return {CEvent::kResult, message, result, {}};
}

std::ostream& operator<<(std::ostream& out, const CEvent& event) {
    const char* kinds[] = {"key", "result", "capture"};
    return out << kinds[event.kind] << " " << event.code << " " << event.result << " " << event.path;
}

LRESULT CALLBACK KeyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)
        g_events.push_back(Key(static_cast<UINT>(wParam)));
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= kMsgResultNormal && message <= kMsgResultCapture) {
        g_events.push_back(Result(message, static_cast<int>(static_cast<INT_PTR>(wParam))));
        return 1;
    }
    if (message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        std::int32_t result = 0;
        if (data->dwData != kCaptureReportCopyData || data->cbData <= sizeof result)
            return FALSE;
        std::memcpy(&result, data->lpData, sizeof result);
        g_events.push_back({CEvent::kCaptureReport, 0, result, static_cast<const char*>(data->lpData) + 4});
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

std::vector<CEvent> Only(CEvent::Kind kind) {
    std::vector<CEvent> found;
    for (const CEvent& event : g_events)
        if (event.kind == kind)
            found.push_back(event);
    return found;
}

class KeyWatch : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        target = CreateTestWindow("KeyWatchTarget", TargetProc, 0, WS_POPUP, RECT{0, 0, 10, 10});
        keyWindow = CreateTestWindow("KeyWatchKeys", KeyWindowProc, WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE,
                                     RECT{300, 300, 400, 400});
        ASSERT_TRUE(target && keyWindow);
        ASSERT_TRUE(TakeKeyboardFocus(keyWindow));
        WriteCaptureSettings(3, Dir(), "Shot__");
        SetHotKeys({}, {});
        PumpMessages();
        g_events.clear();
    }
    void TearDown() override {
        DetachKeyWatch();
        SetHotKeys({}, {});
        DestroyWindow(keyWindow);
        DestroyWindow(target);
        CaptureFixture::TearDown();
    }

    static void SetHotKeys(CHookHotKey capture, std::initializer_list<CHookHotKey> modes) {
        CKeyHookShared& shared = KeyHookShared();
        StoreShared(shared.capture, capture);
        int i = 0;
        for (CHookHotKey& mode : shared.modes)
            StoreShared(mode, i < static_cast<int>(modes.size()) ? modes.begin()[i++] : CHookHotKey{});
    }
    static bool Settle(size_t events, DWORD timeoutMs = 10000) {
        const bool arrived = WaitUntil([&] { return g_events.size() >= events; }, timeoutMs);
        // Whatever else would come.
        Sleep(300);
        PumpMessages();
        return arrived;
    }

    HWND target = nullptr;
    HWND keyWindow = nullptr;
};

} // namespace

TEST_F(KeyWatch, AHotKeyFiresOncePerPressAndEveryKeyReachesTheProgramInOrder) {
    ASSERT_EQ(AttachKeyWatch(target), 1);
    SetHotKeys({}, {{}, {}, {}, {VK_F7, 0}}); // Line Blank on F7
    // F7, then letters typed while its line code is on the screen.
    SendKey(VK_F7, false);
    PressKeys({'Q'});
    PressKeys({'W'});
    PressKeys({'E'});
    ASSERT_TRUE(Settle(5));
    // Auto-repeat: further key-down events of the held key, after the action has ended.
    SendKey(VK_F7, false);
    Sleep(50);
    SendKey(VK_F7, false);
    SendKey(VK_F7, true);
    ASSERT_TRUE(Settle(7));
    // A new press fires again.
    PressKeys({VK_F7});
    ASSERT_TRUE(Settle(9));
    EXPECT_EQ(g_events,
              (std::vector<CEvent>{Key(VK_F7), Key('Q'), Key('W'), Key('E'), Result(kMsgResultLineBlank),
                                   Key(VK_F7), Key(VK_F7), Key(VK_F7), Result(kMsgResultLineBlank)}));
}

TEST_F(KeyWatch, OnlyExactModifiersFireTheCaptureComesFirstAndOneActionRunsAtATime) {
    ASSERT_EQ(AttachKeyWatch(target), 1);
    // Capture and Line Blank on Shift+F6; Page Flip and Sync Double on Ctrl+F5.
    SetHotKeys({VK_F6, HOTKEYF_SHIFT},
               {{}, {VK_F5, HOTKEYF_CONTROL}, {VK_F5, HOTKEYF_CONTROL}, {VK_F6, HOTKEYF_SHIFT}});
    PressKeys({VK_F5});
    PressKeys({VK_CONTROL, VK_SHIFT, VK_F5});
    PressKeys({VK_SHIFT, VK_F5});
    PressKeys({VK_F6});
    ASSERT_TRUE(Settle(7));
    EXPECT_TRUE(Only(CEvent::kResult).empty());

    // Page Flip; the capture pressed while its code is on the screen is dropped.
    g_events.clear();
    PressKeys({VK_CONTROL, VK_F5});
    PressKeys({VK_SHIFT, VK_F6});
    ASSERT_TRUE(WaitUntil([] { return !Only(CEvent::kResult).empty(); }, 10000));
    Settle(0);
    EXPECT_EQ(Only(CEvent::kResult), std::vector<CEvent>{Result(kMsgResultPageFlip)});
    EXPECT_TRUE(FilesInDir().empty());

    // The capture, reported with its file before its result message.
    g_events.clear();
    PressKeys({VK_SHIFT, VK_F6});
    ASSERT_TRUE(WaitUntil([] { return !Only(CEvent::kResult).empty(); }, 10000));
    const std::vector<CEvent> reports{{CEvent::kCaptureReport, 0, 0, Dir() + "Shot__00.jpg"},
                                      Result(kMsgResultCapture)};
    EXPECT_EQ(std::vector<CEvent>(g_events.end() - 2, g_events.end()), reports);
    EXPECT_GT(FileSize("Shot__00.jpg"), 0u);
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"Shot__00.jpg"});

    // A capture that finds no file name (its folder's parent is missing) reports its failure, with no file.
    g_events.clear();
    WriteCaptureSettings(3, Dir() + "missing\\deeper\\", "Shot__");
    PressKeys({VK_SHIFT, VK_F6});
    ASSERT_TRUE(WaitUntil([] { return !Only(CEvent::kResult).empty(); }, 10000));
    const CEvent failed{CEvent::kCaptureReport, 0, kResultCaptureUnavailable, ""};
    EXPECT_EQ(Only(CEvent::kCaptureReport), std::vector<CEvent>{failed});
    EXPECT_EQ(Only(CEvent::kResult),
              std::vector<CEvent>{Result(kMsgResultCapture, kResultCaptureUnavailable)});
}

TEST_F(KeyWatch, AGoneTargetWindowChangesNothingForTheKeys) {
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    ASSERT_EQ(AttachKeyWatch(gone), 1);
    SetHotKeys({VK_F6, 0}, {});
    PressKeys({VK_F6});
    PressKeys({'A'});
    EXPECT_TRUE(WaitUntil(
        [&] {
            const DWORD size = FileSize("Shot__00.jpg");
            return size != INVALID_FILE_SIZE && size > 0;
        },
        10000))
        << "the capture did not run";
    ASSERT_TRUE(Settle(2));
    EXPECT_EQ(g_events, (std::vector<CEvent>{Key(VK_F6), Key('A')}));
}

TEST_F(KeyWatch, DetachDuringAnActionWaitsForItAndReportsNothingMore) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const CPixels before = ReadScreen(0, 0, width, 1);
    ASSERT_EQ(AttachKeyWatch(target), 1);
    SetHotKeys({}, {{VK_F9, 0}}); // Interlace: two codes, one second
    PressKeys({VK_F9});
    ASSERT_TRUE(WaitUntil([&] { return ReadScreen(0, 0, width, 1) != before; }, 5000))
        << "the code did not show";
    const ULONGLONG start = GetTickCount64();
    DetachKeyWatch();
    EXPECT_LT(GetTickCount64() - start, 3000u);
    // The restoring blit has left by then; the X server shows it a moment later.
    EXPECT_TRUE(WaitUntil([&] { return ReadScreen(0, 0, width, 1) == before; }, 200))
        << "the band was not restored";
    EXPECT_EQ(LoadShared(KeyHookShared().hook), nullptr);

    // No report after the detach, and the keys go on.
    PressKeys({VK_F9});
    ASSERT_TRUE(Settle(2));
    EXPECT_EQ(g_events, (std::vector<CEvent>{Key(VK_F9), Key(VK_F9)}));
}

namespace {

std::vector<HANDLE> g_started;
std::atomic<int> g_startsAllowed{0};

// Starts threads while starts are allowed, then fails; keeps a handle of each thread it started.
HANDLE LimitedStarter(LPTHREAD_START_ROUTINE routine, void* context, DWORD* threadId) {
    if (g_startsAllowed.fetch_sub(1) <= 0)
        return nullptr;
    HANDLE thread = StartThread(routine, context, threadId);
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
    g_started.push_back(copy);
    return thread;
}

} // namespace

TEST_F(KeyWatch, WhenAThreadCannotStartNothingIsLeftRunningAndTheKeysGoOn) {
    SetHotKeys({VK_F6, 0}, {});
    for (int allowed : {0, 1}) {
        g_started.clear();
        g_startsAllowed = allowed;
        EXPECT_EQ(AttachKeyWatch(target, LimitedStarter), 0) << allowed;
        EXPECT_EQ(LoadShared(KeyHookShared().hook), nullptr);
        EXPECT_EQ(g_started.size(), static_cast<size_t>(allowed));
        for (HANDLE thread : g_started) {
            EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "a thread still runs";
            CloseHandle(thread);
        }
    }
    g_events.clear();
    PressKeys({VK_F6});
    ASSERT_TRUE(Settle(1));
    EXPECT_EQ(g_events, std::vector<CEvent>{Key(VK_F6)});
    EXPECT_TRUE(FilesInDir().empty());
}

TEST_F(KeyWatch, HotKeysChangedWhileKeysArePressedNeverPairAKeyWithOtherModifiers) {
    ASSERT_EQ(AttachKeyWatch(target), 1);
    // Two sets of hotkeys in turn: F2 with Shift and F3 alone. F2 alone or F3 with Shift would be
    // a key paired with the other set's modifiers.
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        CKeyHookShared& shared = KeyHookShared();
        for (bool first = true; !stop; first = !first) {
            const CHookHotKey hotKey = first ? CHookHotKey{VK_F2, HOTKEYF_SHIFT} : CHookHotKey{VK_F3, 0};
            StoreShared(shared.capture, hotKey);
            for (CHookHotKey& mode : shared.modes)
                StoreShared(mode, hotKey);
            Sleep(0);
        }
    });
    const int presses = 100;
    for (int i = 0; i < presses; ++i) {
        PressKeys({VK_F2});
        PressKeys({VK_SHIFT, VK_F3});
    }
    Settle(3 * presses);
    EXPECT_EQ(Only(CEvent::kKey).size(), 3u * presses);
    EXPECT_TRUE(Only(CEvent::kResult).empty());
    EXPECT_TRUE(FilesInDir().empty());

    // Meanwhile the keys of either set do act (here the capture, which comes first): the hook watched
    // all along.
    for (int i = 0; i < 50 && Only(CEvent::kResult).empty(); ++i) {
        PressKeys({VK_SHIFT, VK_F2});
        PressKeys({VK_F3});
        WaitUntil([] { return !Only(CEvent::kResult).empty(); }, 100);
    }
    stop = true;
    writer.join();
    Settle(0);
    ASSERT_FALSE(Only(CEvent::kResult).empty()) << "the hotkeys never acted";
    EXPECT_EQ(Only(CEvent::kResult).front(), Result(kMsgResultCapture));
}

TEST_F(KeyWatch, ADetachThatWaitsForACaptureReportingToItsOwnThreadDoesNotHang) {
    ASSERT_EQ(AttachKeyWatch(target), 1);
    SetHotKeys({VK_F6, 0}, {});
    PressKeys({VK_F6});
    // Not a message handled meanwhile: the action thread ends up waiting for this thread to take its
    // report.
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (!(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) && GetTickCount64() < deadline)
        Sleep(5);
    ASSERT_TRUE(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) << "no report was sent";
    const ULONGLONG start = GetTickCount64();
    DetachKeyWatch();
    EXPECT_LT(GetTickCount64() - start, 3000u) << "the detach waited for the report's time-out";
    // The report was handled while the detach waited, before any message of the loop.
    ASSERT_EQ(Only(CEvent::kCaptureReport).size(), 1u);
    EXPECT_EQ(Only(CEvent::kCaptureReport)[0].path, Dir() + "Shot__00.jpg");
}
