#include "keyhook/HotKeyMatch.h"

#include "linecode/LineCodePatterns.h"
#include "settings/ActivatorMessages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr std::uint16_t kShift = kModifierShift, kControl = kModifierControl, kAlt = kModifierAlt;
constexpr std::uint16_t kF5 = 0x74, kF9 = 0x78, kScrollLock = 0x91;

struct CHotKeys {
    CHookHotKey capture{};
    CHookHotKey modes[kModeHotKeyCount]{};

    HookAction Find(std::uint16_t key, std::uint16_t held) const {
        return FindHookAction(capture, modes, key, held);
    }
};

} // namespace

TEST(ModifiersMatch, EachModifierMustBeExactlyAsTheFlagsDemand) {
    EXPECT_EQ(ModifiersMatch(0, 0), 1);
    EXPECT_EQ(ModifiersMatch(0, kShift), 0);
    EXPECT_EQ(ModifiersMatch(kShift, kShift), 1);
    EXPECT_EQ(ModifiersMatch(kShift, 0), 0);
    EXPECT_EQ(ModifiersMatch(kControl, kControl | kShift), 0);
    EXPECT_EQ(ModifiersMatch(kControl | kShift, kControl | kShift), 1);
    EXPECT_EQ(ModifiersMatch(7, kControl | kShift | kAlt), 1);
    EXPECT_EQ(ModifiersMatch(kAlt, kAlt | kControl), 0);
    // The extended-key flag and higher bits are not looked at.
    EXPECT_EQ(ModifiersMatch(8 | kControl, kControl), 1);
    EXPECT_EQ(ModifiersMatch(0xFF00 | kShift, kShift), 1);
}

TEST(HotKeyMatching, TheKeyMustBeThePressedOneAndCodeZeroNeverIs) {
    EXPECT_TRUE(HotKeyMatches({kF5, 0}, kF5, 0));
    EXPECT_FALSE(HotKeyMatches({kF5, 0}, kF5, kShift));
    EXPECT_FALSE(HotKeyMatches({kF5, 0}, kF9, 0));
    // A cleared hotkey never matches, whatever is pressed.
    EXPECT_FALSE(HotKeyMatches({0, 0}, 0, 0));
    EXPECT_FALSE(HotKeyMatches({0, 7}, 0, 7));

    CHotKeys keys;
    EXPECT_FALSE(IsHotKeyKey(keys.capture, keys.modes, 0)) << "cleared hotkeys have no key";
    keys.capture = {kScrollLock, 0};
    keys.modes[4] = {kF9, kShift | kControl};
    EXPECT_TRUE(IsHotKeyKey(keys.capture, keys.modes, kScrollLock));
    EXPECT_TRUE(IsHotKeyKey(keys.capture, keys.modes, kF9)) << "whatever its modifiers";
    EXPECT_FALSE(IsHotKeyKey(keys.capture, keys.modes, kF5));
    EXPECT_FALSE(IsHotKeyKey(keys.capture, keys.modes, 0));
}

TEST(HotKeyDispatch, CaptureComesFirstThenTheModesInOrder) {
    CHotKeys keys;
    keys.capture = {kF9, kShift};
    for (CHookHotKey& mode : keys.modes)
        mode = {kF9, kShift};
    EXPECT_EQ(keys.Find(kF9, kShift), HookAction::kCapture);

    keys.capture = {kScrollLock, 0};
    EXPECT_EQ(keys.Find(kF9, kShift), HookAction::kInterlace);
    keys.modes[0] = {};
    EXPECT_EQ(keys.Find(kF9, kShift), HookAction::kPageFlip);
    keys.modes[1] = {};
    EXPECT_EQ(keys.Find(kF9, kShift), HookAction::kSyncDouble);
    keys.modes[2] = {};
    EXPECT_EQ(keys.Find(kF9, kShift), HookAction::kLineBlank);
    keys.modes[3] = {};
    EXPECT_EQ(keys.Find(kF9, kShift), HookAction::kNormal);
    keys.modes[4] = {};
    EXPECT_EQ(keys.Find(kF9, kShift), HookAction::kNone);
    EXPECT_EQ(keys.Find(kScrollLock, 0), HookAction::kCapture);
}

TEST(HotKeyDispatch, TheActivatorsDefaultsAndOnlyExactCombinations) {
    // Shift+F9 for Interlace and Page Flip alike: Interlace is tested first.
    CHotKeys keys;
    keys.capture = {kScrollLock, 0};
    const CHookHotKey defaults[kModeHotKeyCount] = {{0x78, 1}, {0x78, 1}, {0x79, 1}, {0x7A, 1}, {0x7B, 1}};
    std::copy(std::begin(defaults), std::end(defaults), keys.modes);
    EXPECT_EQ(keys.Find(0x78, kShift), HookAction::kInterlace);
    EXPECT_EQ(keys.Find(0x79, kShift), HookAction::kSyncDouble);
    EXPECT_EQ(keys.Find(0x7A, kShift), HookAction::kLineBlank);
    EXPECT_EQ(keys.Find(0x7B, kShift), HookAction::kNormal);
    EXPECT_EQ(keys.Find(0x7B, 0), HookAction::kNone);
    EXPECT_EQ(keys.Find(0x7B, kShift | kControl), HookAction::kNone);
    EXPECT_EQ(keys.Find(kScrollLock, kShift), HookAction::kNone);
    // The modifier keys themselves are no hotkey's key.
    EXPECT_EQ(keys.Find(0x10, kShift), HookAction::kNone);
}

TEST(HotKeyDispatch, ModeActionsEmitTheirCodeAndReportWithTheirMessage) {
    struct Row {
        HookAction action;
        int code;
        unsigned message;
    };
    for (Row row : {Row{HookAction::kInterlace, kCodeInterlace, kMsgResultInterlace},
                    Row{HookAction::kPageFlip, kCodePageFlip, kMsgResultPageFlip},
                    Row{HookAction::kSyncDouble, kCodeSyncDouble, kMsgResultSyncDouble},
                    Row{HookAction::kLineBlank, kCodeLineBlank, kMsgResultLineBlank},
                    Row{HookAction::kNormal, kCodeNormal, kMsgResultNormal}}) {
        CModeAction mode{};
        ASSERT_TRUE(ModeActionOf(row.action, mode));
        EXPECT_EQ(mode.code, row.code);
        EXPECT_EQ(mode.resultMessage, row.message);
    }
    CModeAction mode{};
    EXPECT_FALSE(ModeActionOf(HookAction::kCapture, mode));
    EXPECT_FALSE(ModeActionOf(HookAction::kNone, mode));
}

TEST(KeyPresses, OnlyTheDownTransitionIsAPressNotTheAutoRepeat) {
    CKeyPresses presses;
    int asked = 0;
    auto held = [&asked] {
        ++asked;
        return true;
    };
    EXPECT_TRUE(presses.Down(kF9, held));
    EXPECT_EQ(asked, 0) << "a key not seen down needs no look at the key state";
    EXPECT_FALSE(presses.Down(kF9, held));
    EXPECT_FALSE(presses.Down(kF9, held));
    EXPECT_EQ(asked, 2);
    presses.Up(kF9);
    EXPECT_TRUE(presses.Down(kF9, held));
    // Keys are tracked one by one.
    EXPECT_TRUE(presses.Down(kF5, held));
    presses.Up(kF5);
    EXPECT_FALSE(presses.Down(kF9, held));

    // A release that the hook missed: the key state says the key was up, so this is a new press.
    EXPECT_TRUE(presses.Down(kF9, [] { return false; }));
    EXPECT_FALSE(presses.Down(kF9, held));
    // Codes beyond the 256 virtual keys are not tracked and count as presses.
    EXPECT_TRUE(presses.Down(0x1F0, held));
    EXPECT_TRUE(presses.Down(0x1F0, held));
    presses.Up(0x1F0);
}
