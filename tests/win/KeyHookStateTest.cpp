// ZeltoKey.dll loaded into this process: its exports, its state in the section MYSHARE, and watches of
// two processes side by side, each of which keeps its own.

#include "keyhook/KeyHook.h"
#include "linecode/LineCodePatterns.h"
#include "settings/ActivatorMessages.h"
#include "tests/support/WineTestSupport.h"
#include "tests/win/KeyHookSection.h"
#include "tests/win/TestWindow.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

using namespace testing_support;

namespace {

class KeyHookState : public ::testing::Test {
protected:
    void SetUp() override {
        module = GetModuleHandleA("ZeltoKey.dll");
        ASSERT_NE(module, nullptr);
        shared = MappedKeyHookShared(module);
        ASSERT_NE(shared, nullptr);
        window = CreateWindowExA(0, "STATIC", "hook target", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    }
    void TearDown() override {
        DetachKeyHook();
        SetKeyHookParams(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        DestroyWindow(window);
    }

    void SetSixHotKeys() { SetKeyHookParams(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12); }

    // Whether the mode hotkeys hold the values of SetSixHotKeys.
    bool ModesSet() const {
        for (int i = 0; i < kModeHotKeyCount; ++i) {
            if (shared->modes[i].virtualKey != 2 * i + 1 || shared->modes[i].modifiers != 2 * i + 2)
                return false;
        }
        return true;
    }
    bool ModesCleared() const {
        for (const CHookHotKey& mode : shared->modes) {
            if (mode.virtualKey != 0 || mode.modifiers != 0)
                return false;
        }
        return true;
    }

    HMODULE module = nullptr;
    CKeyHookShared* shared = nullptr;
    HWND window = nullptr;
};

// The colour table that a code's single-height pattern gives, row by row.
std::vector<COLORREF> TableOfCode(int code) {
    std::vector<COLORREF> table(kColorCodeRows, 0);
    for (const CodeLine& line : PatternForCode(code))
        table[static_cast<size_t>(line.row)] = line.colour;
    return table;
}

} // namespace

// First, while nothing has touched the section in this process.
TEST_F(KeyHookState, AFreshlyLoadedLibraryHoldsTheInitialState) {
    EXPECT_EQ(shared->libraryMask, 7u);
    EXPECT_EQ(shared->hook, nullptr);
    EXPECT_EQ(shared->targetWindow, nullptr);
    EXPECT_EQ(shared->capture.virtualKey, 0);
    EXPECT_EQ(shared->capture.modifiers, 0);
    EXPECT_TRUE(ModesCleared());
    const int codes[kModeHotKeyCount] = {kCodeInterlace, kCodePageFlip, kCodeSyncDouble, kCodeLineBlank,
                                         kCodeNormal};
    for (int mode = 0; mode < kModeHotKeyCount; ++mode) {
        std::vector<COLORREF> table(shared->colorCodes[mode], shared->colorCodes[mode] + kColorCodeRows);
        EXPECT_EQ(table, TableOfCode(codes[mode])) << "table " << mode;
    }
}

TEST_F(KeyHookState, TheSectionIsThisProcesssOwnAndLaidOutFieldByField) {
    const IMAGE_SECTION_HEADER* section = FindSharedSectionHeader(module);
    ASSERT_NE(section, nullptr);
    const DWORD wanted = IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_WRITE;
    EXPECT_EQ(section->Characteristics & wanted, wanted);
    EXPECT_EQ(section->Characteristics & IMAGE_SCN_MEM_SHARED, 0u) << "one copy for every process";
    EXPECT_EQ(offsetof(CKeyHookShared, libraryMask), 0u);
    EXPECT_LT(offsetof(CKeyHookShared, hook), offsetof(CKeyHookShared, targetWindow));
    EXPECT_LT(offsetof(CKeyHookShared, targetWindow), offsetof(CKeyHookShared, capture));
    EXPECT_LT(offsetof(CKeyHookShared, capture), offsetof(CKeyHookShared, modes));
    EXPECT_LT(offsetof(CKeyHookShared, modes), offsetof(CKeyHookShared, colorCodes));
    // A hotkey is one 32-bit value, key in the low half, read and written whole.
    EXPECT_EQ(sizeof(CHookHotKey), 4u);
    EXPECT_EQ(alignof(CHookHotKey), 4u);
    EXPECT_EQ(offsetof(CHookHotKey, virtualKey), 0u);
    EXPECT_EQ(sizeof(CKeyHookShared::colorCodes), 5u * 16u * 4u);
}

namespace {

std::vector<UINT> g_results;

LRESULT CALLBACK ResultProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= kMsgResultNormal && message <= kMsgResultCapture)
        g_results.push_back(message);
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

// This process and the Activator, as two users' Activators would, keep a watch each: each gets its own
// hotkeys' results only, and one that detaches, having attached or not, leaves the other's working.
TEST_F(KeyHookState, EachProcessKeepsAWatchOfItsOwn) {
    const std::string lineBlank = std::string(kProductKeyPath) + "\\1.0\\HotKey\\Line Blank";
    DeleteProductTree();
    WriteRegistryNumber(lineBlank, "Virtual Key Code", VK_F8);
    WriteRegistryNumber(lineBlank, "Modifiers", 0);
    CChildProcess process;
    HWND activator = StartActivator(process);
    ASSERT_NE(activator, nullptr);
    const auto status = [activator] { return ControlText(activator, 1000); };
    HWND keys = CreateTestWindow("KeyHookStateKeys", DefWindowProcA, WS_EX_TOPMOST, WS_POPUP | WS_VISIBLE,
                                 RECT{300, 300, 400, 400});
    HWND mine = CreateTestWindow("KeyHookStateResults", ResultProc, 0, WS_POPUP, RECT{0, 0, 1, 1});
    ASSERT_TRUE(TakeKeyboardFocus(keys));
    DetachKeyHook();
    ASSERT_EQ(AttachKeyHook(mine), 1);
    SetKeyHookParams(0, 0, 0, 0, 0, 0, 0, 0, VK_F7, 0, 0, 0); // Normal on F7 here
    PressKeys({VK_F8});
    EXPECT_TRUE(WaitUntil([&] { return status() == "Line Blanking "; }, 10000)) << status();
    PressKeys({VK_F7});
    EXPECT_TRUE(WaitUntil([] { return !g_results.empty(); }, 10000));
    DetachKeyHook();
    SendMessageA(GetDlgItem(activator, 1000), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    PressKeys({VK_F7});
    PressKeys({VK_F8});
    EXPECT_TRUE(WaitUntil([&] { return status() == "Line Blanking "; }, 10000)) << status();
    EXPECT_EQ(g_results, std::vector<UINT>{kMsgResultNormal});
    EndActivator(process);
    DestroyWindow(mine);
    DestroyWindow(keys);
    DeleteProductTree();
}

TEST_F(KeyHookState, SetKeyHookParamsStoresTheLastPairAsTheCaptureHotKey) {
    SetSixHotKeys();
    EXPECT_TRUE(ModesSet());
    EXPECT_EQ(shared->capture.virtualKey, 11);
    EXPECT_EQ(shared->capture.modifiers, 12);
    // Nothing is checked: any 16-bit value is stored as given.
    SetKeyHookParams(0xFFFF, 0xFFFF, 0, 0, 0, 0, 0, 0, 0, 0, 0x8000, 0x100);
    EXPECT_EQ(shared->modes[0].virtualKey, 0xFFFF);
    EXPECT_EQ(shared->modes[0].modifiers, 0xFFFF);
    EXPECT_EQ(shared->capture.virtualKey, 0x8000);
    EXPECT_EQ(shared->capture.modifiers, 0x100);
}

TEST_F(KeyHookState, DetachWithoutAHookLeavesTheHotKeys) {
    SetSixHotKeys();
    DetachKeyHook();
    EXPECT_TRUE(ModesSet());
    EXPECT_EQ(shared->capture.virtualKey, 11);
}

TEST_F(KeyHookState, AttachSetsOneHookAndDetachClearsTheModesButNotTheCapture) {
    ASSERT_EQ(AttachKeyHook(window), 1);
    HHOOK first = shared->hook;
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(shared->targetWindow, window);
    SetSixHotKeys();

    DetachKeyHook();
    EXPECT_EQ(shared->hook, nullptr);
    EXPECT_EQ(shared->targetWindow, nullptr);
    EXPECT_TRUE(ModesCleared());
    EXPECT_EQ(shared->capture.virtualKey, 11);
    EXPECT_EQ(shared->capture.modifiers, 12);
    // The hook is gone: the system no longer knows the handle.
    EXPECT_FALSE(UnhookWindowsHookEx(first));
}

TEST_F(KeyHookState, AttachingAgainReplacesTheHookAndClearsTheModes) {
    ASSERT_EQ(AttachKeyHook(window), 1);
    HHOOK first = shared->hook;
    SetSixHotKeys();
    HWND other =
        CreateWindowExA(0, "STATIC", "other", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(AttachKeyHook(other), 1);
    HHOOK second = shared->hook;
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(shared->targetWindow, other);
    EXPECT_TRUE(ModesCleared());
    EXPECT_EQ(shared->capture.virtualKey, 11);
    // Exactly one hook is installed: the first one was removed.
    EXPECT_FALSE(UnhookWindowsHookEx(first));
    DetachKeyHook();
    EXPECT_FALSE(UnhookWindowsHookEx(second));
    DestroyWindow(other);
}

TEST_F(KeyHookState, SetColorCodeParamsCopiesOnlyTheTablesItIsGiven) {
    std::vector<COLORREF> before(&shared->colorCodes[0][0], &shared->colorCodes[0][0] + 5 * kColorCodeRows);
    SetColorCodeParams(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(
        std::vector<COLORREF>(&shared->colorCodes[0][0], &shared->colorCodes[0][0] + 5 * kColorCodeRows),
        before);

    std::uint32_t syncDouble[kColorCodeRows];
    for (int row = 0; row < kColorCodeRows; ++row)
        syncDouble[row] = 0x00010203u * static_cast<std::uint32_t>(row + 1);
    SetColorCodeParams(nullptr, nullptr, syncDouble, nullptr, nullptr);
    for (int mode = 0; mode < kModeHotKeyCount; ++mode) {
        for (int row = 0; row < kColorCodeRows; ++row) {
            const COLORREF expected =
                mode == 2 ? syncDouble[row] : before[static_cast<size_t>(mode * kColorCodeRows + row)];
            EXPECT_EQ(shared->colorCodes[mode][row], expected) << mode << "," << row;
        }
    }
    // Put the initial tables back for the other tests of this process.
    const std::uint32_t* tables[5];
    for (int mode = 0; mode < kModeHotKeyCount; ++mode)
        tables[mode] =
            reinterpret_cast<const std::uint32_t*>(&before[static_cast<size_t>(mode * kColorCodeRows)]);
    SetColorCodeParams(tables[0], tables[1], tables[2], tables[3], tables[4]);
    EXPECT_EQ(
        std::vector<COLORREF>(&shared->colorCodes[0][0], &shared->colorCodes[0][0] + 5 * kColorCodeRows),
        before);
}
