// Many hook actions run by the watch in this process, and the watch started and stopped many times:
// neither GDI objects nor kernel handles may be left behind by its threads, the emissions or the
// captures, successful or failed.

#include "keyhook/KeyWatch.h"
#include "keyhook/SharedState.h"
#include "linecode/LineCodeEmitter.h"
#include "tests/support/WineTestSupport.h"
#include "tests/win/CaptureFixture.h"
#include "tests/win/TestWindow.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

int g_reports = 0;

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= 0x0402 && message <= 0x0407) {
        ++g_reports;
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class HookActions : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        target = CreateTestWindow("HookLeakTarget", TargetProc, 0, WS_POPUP, RECT{0, 0, 1, 1});
        keyWindow = CreateTestWindow("HookLeakKeys", DefWindowProcA, WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE,
                                     RECT{300, 300, 350, 350});
        ASSERT_TRUE(TakeKeyboardFocus(keyWindow));
        ASSERT_TRUE(Attach());
    }
    void TearDown() override {
        DetachKeyWatch();
        DestroyWindow(keyWindow);
        DestroyWindow(target);
        CaptureFixture::TearDown();
    }
    // The watch with the capture on F2 and Page Flip on F3.
    bool Attach() {
        if (AttachKeyWatch(target) != 1)
            return false;
        StoreShared(KeyHookShared().capture, CHookHotKey{VK_F2, 0});
        StoreShared(KeyHookShared().modes[1], CHookHotKey{VK_F3, 0});
        return true;
    }
    // Presses `key` and waits for the action's report.
    bool Act(WORD key) {
        const int before = g_reports;
        PressKeys({key});
        return WaitUntil([&] { return g_reports > before; }, 10000);
    }

    HWND target = nullptr;
    HWND keyWindow = nullptr;
};

} // namespace

TEST_F(HookActions, LeaveNoGdiObjectOrHandleBehind) {
    // The first rounds load what the system keeps for the rest of the process (codec, COM, threads' data).
    WriteCaptureSettings(0, Dir(), "Warm__");
    ASSERT_TRUE(Act(VK_F2));
    ASSERT_TRUE(Act(VK_F3));
    // Counted while no watch runs: a thread holds what the system gives it for its life.
    DetachKeyWatch();
    ASSERT_EQ(FilesInDir().size(), 1u);
    const int gdiBefore = CountGdiObjects();
    const DWORD handlesBefore = CountKernelHandles();
    ASSERT_GT(gdiBefore, 0);
    ASSERT_GT(handlesBefore, 0u);
    ASSERT_TRUE(Attach());

    // The watch's threads and events, started and stopped.
    for (int i = 0; i < 20; ++i) {
        DetachKeyWatch();
        ASSERT_TRUE(Attach());
    }

    // Emissions: a few through the watch, with their real pause, then many without it.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(Act(VK_F3));
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(EmitLineCodeHolding(i % 2 ? kCodeInterlace : kCodeLineBlank, 0), kResultOk);

    // Captures through the watch in every view mode, and as many that fail.
    const char* names[] = {"LeakA_", "LeakB_", "LeakC_", "LeakD_"};
    for (int batch = 0; batch < 4; ++batch) {
        WriteCaptureSettings(static_cast<std::uint32_t>(batch), Dir(), names[batch]);
        for (int i = 0; i < 30; ++i)
            ASSERT_TRUE(Act(VK_F2));
    }
    WriteCaptureSettings(0, Dir() + "missing\\deeper\\", "Gone__");
    for (int i = 0; i < 60; ++i)
        ASSERT_TRUE(Act(VK_F2));

    DetachKeyWatch();
    EXPECT_EQ(FilesInDir().size(), 121u);
    EXPECT_EQ(CountGdiObjects(), gdiBefore);
    EXPECT_EQ(CountKernelHandles(), handlesBefore);
}
