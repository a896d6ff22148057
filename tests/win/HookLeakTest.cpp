// Hundreds of hook actions in this process, as a program that the hook runs in would see them: neither
// GDI objects nor kernel handles may be left behind by emissions or captures, successful or failed.

#include "keyhook/HookProcedure.h"
#include "keyhook/SharedState.h"
#include "linecode/LineCodeEmitter.h"
#include "tests/support/WineTestSupport.h"
#include "tests/win/CaptureFixture.h"
#include "tests/win/TestWindow.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return message >= 0x0402 && message <= 0x0407 ? 1 : DefWindowProcA(window, message, wParam, lParam);
}

class HookActions : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        target = CreateTestWindow("HookLeakTarget", TargetProc, 0, WS_POPUP, RECT{0, 0, 1, 1});
        StoreShared(KeyHookShared().targetWindow, target);
        StoreShared(KeyHookShared().capture, CHookHotKey{VK_F2, 0});
        StoreShared(KeyHookShared().modes[1], CHookHotKey{VK_F3, 0});
    }
    void TearDown() override {
        BYTE state[256] = {};
        SetKeyboardState(state);
        StoreShared(KeyHookShared().targetWindow, HWND{});
        DestroyWindow(target);
        CaptureFixture::TearDown();
    }
    static void Press(BYTE key) {
        BYTE state[256] = {};
        state[key] = 0x80;
        SetKeyboardState(state);
        KeyHookProc(HC_ACTION, key, 1);
    }

    HWND target = nullptr;
};

} // namespace

TEST_F(HookActions, LeaveNoGdiObjectOrHandleBehind) {
    // The first rounds load what the system keeps for the rest of the process (codec, COM).
    WriteCaptureSettings(0, Dir(), "Warm__");
    Press(VK_F2);
    Press(VK_F3);
    ASSERT_EQ(FilesInDir().size(), 1u);
    const int gdiBefore = CountGdiObjects();
    const DWORD handlesBefore = CountKernelHandles();
    ASSERT_GT(gdiBefore, 0);
    ASSERT_GT(handlesBefore, 0u);

    // Emissions: a few through the hook, with their real pause, then many without it.
    for (int i = 0; i < 4; ++i)
        Press(VK_F3);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(EmitLineCodeHolding(i % 2 ? kCodeInterlace : kCodeLineBlank, 0), kResultOk);

    // Captures through the hook in every view mode, and as many that fail.
    const char* names[] = {"LeakA_", "LeakB_", "LeakC_", "LeakD_"};
    for (int batch = 0; batch < 4; ++batch) {
        WriteCaptureSettings(static_cast<std::uint32_t>(batch), Dir(), names[batch]);
        for (int i = 0; i < 50; ++i)
            Press(VK_F2);
    }
    WriteCaptureSettings(0, Dir() + "missing\\", "Gone__");
    for (int i = 0; i < 100; ++i)
        Press(VK_F2);

    EXPECT_EQ(FilesInDir().size(), 201u);
    EXPECT_EQ(CountGdiObjects(), gdiBefore);
    EXPECT_EQ(CountKernelHandles(), handlesBefore);
}
