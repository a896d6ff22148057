// The hook procedure in this process, with the key state set for this thread: which hotkey acts, what
// it reports to the target window, and that every key is passed on.

#include "keyhook/HookProcedure.h"
#include "keyhook/SharedState.h"
#include "settings/ActivatorMessages.h"
#include "tests/support/WineTestSupport.h"
#include "tests/win/CaptureFixture.h"
#include "tests/win/TestWindow.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <vector>

using namespace testing_support;

namespace {

constexpr BYTE kShift = VK_SHIFT, kControl = VK_CONTROL;

struct CReport {
    UINT message;
    int result;
    bool perMonitorAware;
};

std::vector<CReport> g_reports;
std::function<void()> g_onReport;

bool ThreadIsPerMonitorAware() {
    return GetAwarenessFromDpiAwarenessContext(GetThreadDpiAwarenessContext()) ==
           DPI_AWARENESS_PER_MONITOR_AWARE;
}

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= kMsgResultNormal && message <= kMsgResultCapture) {
        g_reports.push_back(
            {message, static_cast<int>(static_cast<INT_PTR>(wParam)), ThreadIsPerMonitorAware()});
        if (g_onReport)
            g_onReport();
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Holds exactly `keys` in this thread's key state.
void Hold(std::initializer_list<BYTE> keys) {
    BYTE state[256] = {};
    for (BYTE key : keys)
        state[key] = 0x80;
    SetKeyboardState(state);
}

class KeyHookDispatch : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        target = CreateTestWindow("KeyHookDispatchTarget", TargetProc, 0, WS_POPUP, RECT{0, 0, 10, 10});
        ASSERT_NE(target, nullptr);
        g_reports.clear();
        g_onReport = nullptr;
        CKeyHookShared& shared = KeyHookShared();
        StoreShared(shared.targetWindow, target);
        SetHotKeys({}, {});
        WriteCaptureSettings(3, Dir(), "Shot__");
    }
    void TearDown() override {
        Hold({});
        StoreShared(KeyHookShared().targetWindow, HWND{});
        SetHotKeys({}, {});
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
    // Calls the procedure as the system would for a key press of `key`.
    static LRESULT Press(BYTE key) { return KeyHookProc(HC_ACTION, key, 0x00000001); }

    std::vector<UINT> ReportedMessages() const {
        std::vector<UINT> messages;
        for (const CReport& report : g_reports)
            messages.push_back(report.message);
        return messages;
    }

    HWND target = nullptr;
};

} // namespace

TEST_F(KeyHookDispatch, AHotKeyWithoutModifiersFiresOnlyWithoutModifiers) {
    SetHotKeys({}, {{VK_F5, 0}});
    Hold({VK_F5});
    Press(VK_F5);
    ASSERT_EQ(ReportedMessages(), std::vector<UINT>{kMsgResultInterlace});
    EXPECT_EQ(g_reports[0].result, 0);

    g_reports.clear();
    Hold({kShift, VK_F5});
    Press(VK_F5);
    Hold({kControl, VK_F5});
    Press(VK_F5);
    EXPECT_TRUE(g_reports.empty());
}

TEST_F(KeyHookDispatch, EachModeReportsWithItsOwnMessage) {
    SetHotKeys({}, {{'1', 0}, {'2', 0}, {'3', 0}, {'4', 0}, {'5', 0}});
    for (BYTE key : {'2', '3', '4', '5'}) {
        Hold({key});
        Press(key);
    }
    EXPECT_EQ(ReportedMessages(), (std::vector<UINT>{kMsgResultPageFlip, kMsgResultSyncDouble,
                                                     kMsgResultLineBlank, kMsgResultNormal}));
    for (const CReport& report : g_reports)
        EXPECT_EQ(report.result, 0);
}

TEST_F(KeyHookDispatch, CaptureWinsOverAModeOnTheSameKeysAndSendsNothing) {
    SetHotKeys({VK_F6, 2}, {{VK_F6, 2}});
    Hold({kControl, VK_F6});
    Press(VK_F6);
    EXPECT_TRUE(g_reports.empty());
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"Shot__00.jpg"});
}

TEST_F(KeyHookDispatch, PageFlipWinsOverSyncDoubleOnTheSameKeys) {
    SetHotKeys({}, {{}, {VK_F7, 1}, {VK_F7, 1}});
    Hold({kShift, VK_F7});
    Press(VK_F7);
    EXPECT_EQ(ReportedMessages(), std::vector<UINT>{kMsgResultPageFlip});
}

TEST_F(KeyHookDispatch, ClearedHotKeysNeverFireAndOnlyTheCaptureRemains) {
    // As after DetachKeyHook and a new AttachKeyHook without SetKeyHookParams.
    SetHotKeys({VK_SCROLL, 0}, {});
    BYTE state[256];
    for (BYTE& key : state)
        key = 0x80;
    state[VK_SHIFT] = state[VK_CONTROL] = state[VK_MENU] = 0;
    state[VK_SCROLL] = 0;
    SetKeyboardState(state);
    Press('A');
    EXPECT_TRUE(g_reports.empty());
    EXPECT_TRUE(FilesInDir().empty());
    Hold({VK_SCROLL});
    Press(VK_SCROLL);
    EXPECT_TRUE(g_reports.empty());
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"Shot__00.jpg"});
}

TEST_F(KeyHookDispatch, NothingHappensOutsideActionsWithoutTargetOrWhileBusy) {
    SetHotKeys({}, {{VK_F8, 0}});
    Hold({VK_F8});
    KeyHookProc(HC_NOREMOVE, VK_F8, 0);
    KeyHookProc(-1, VK_F8, 0);
    EXPECT_TRUE(g_reports.empty());

    StoreShared(KeyHookShared().targetWindow, HWND{});
    Press(VK_F8);
    EXPECT_TRUE(g_reports.empty());
    StoreShared(KeyHookShared().targetWindow, target);

    // A key that arrives while the action runs (here: while the target handles the report) is passed on
    // without a second action.
    g_onReport = [] { Press(VK_F8); };
    Press(VK_F8);
    EXPECT_EQ(g_reports.size(), 1u);
}

TEST_F(KeyHookDispatch, EveryFurtherKeyMessageWhileTheKeysAreHeldFiresAgain) {
    SetHotKeys({}, {{}, {}, {'Q', 4}});
    Hold({VK_MENU, 'Q'});
    Press('Q');
    Press('Q');       // an auto-repeat
    Press(VK_LSHIFT); // any other key message while the hotkey is held
    EXPECT_EQ(g_reports.size(), 3u);
}

TEST_F(KeyHookDispatch, TheActionRunsPerMonitorAwareAndRestoresTheThreadsAwareness) {
    // As in a program that never declared DPI awareness.
    DPI_AWARENESS_CONTEXT before = SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_UNAWARE);
    ASSERT_NE(before, nullptr);
    ASSERT_FALSE(ThreadIsPerMonitorAware());
    SetHotKeys({}, {{}, {}, {}, {VK_F9, 0}});
    Hold({VK_F9});
    Press(VK_F9);
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_TRUE(g_reports[0].perMonitorAware);
    EXPECT_TRUE(AreDpiAwarenessContextsEqual(GetThreadDpiAwarenessContext(), DPI_AWARENESS_CONTEXT_UNAWARE));
    SetThreadDpiAwarenessContext(before);
}

TEST_F(KeyHookDispatch, AGoneTargetWindowChangesNothing) {
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    StoreShared(KeyHookShared().targetWindow, gone);
    SetHotKeys({}, {{VK_F4, 0}});
    Hold({VK_F4});
    EXPECT_EQ(Press(VK_F4), 0);
    EXPECT_TRUE(g_reports.empty());
}

namespace {

std::vector<WPARAM> g_keysSeenByNextHook;
std::vector<WPARAM> g_keysReceived;

LRESULT CALLBACK NextHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION)
        g_keysSeenByNextHook.push_back(wParam);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK KeyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN || message == WM_KEYUP)
        g_keysReceived.push_back(wParam);
    return TargetProc(window, message, wParam, lParam);
}

} // namespace

TEST_F(KeyHookDispatch, InstalledAsHookItPassesEveryKeyOnWhetherItActsOrNot) {
    HWND window = CreateTestWindow("KeyHookDispatchKeys", KeyWindowProc, WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE,
                                   RECT{50, 50, 150, 150});
    ASSERT_NE(window, nullptr);
    SetForegroundWindow(window);
    SetFocus(window);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window; }, 5000));
    StoreShared(KeyHookShared().targetWindow, window);
    SetHotKeys({}, {{}, {VK_F3, 1}});

    // The hook installed last is called first, so the recording hook sees only what KeyHookProc passes on.
    HHOOK next = SetWindowsHookExA(WH_KEYBOARD, NextHookProc, nullptr, GetCurrentThreadId());
    HHOOK hook = SetWindowsHookExA(WH_KEYBOARD, KeyHookProc, nullptr, GetCurrentThreadId());
    ASSERT_TRUE(next && hook);
    StoreShared(KeyHookShared().hook, hook);
    g_keysSeenByNextHook.clear();
    g_keysReceived.clear();

    INPUT inputs[6] = {};
    const WORD keys[6] = {'A', 'A', VK_SHIFT, VK_F3, VK_F3, VK_SHIFT};
    for (int i = 0; i < 6; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = keys[i];
        inputs[i].ki.dwFlags = (i == 1 || i == 4 || i == 5) ? KEYEVENTF_KEYUP : 0;
    }
    ASSERT_EQ(SendInput(6, inputs, sizeof(INPUT)), 6u);
    EXPECT_TRUE(WaitUntil([] { return g_keysReceived.size() >= 6; }, 10000));

    UnhookWindowsHookEx(hook);
    UnhookWindowsHookEx(next);
    StoreShared(KeyHookShared().hook, HHOOK{});
    DestroyWindow(window);

    const std::vector<WPARAM> sent(keys, keys + 6);
    EXPECT_EQ(g_keysSeenByNextHook, sent);
    EXPECT_EQ(g_keysReceived, sent);
    // Shift+F3 fired Page Flip once, on the key-down of F3 (at its key-up the key state shows F3
    // released); 'A' alone fired nothing.
    EXPECT_EQ(ReportedMessages(), std::vector<UINT>{kMsgResultPageFlip});
}
