#include "keyhook/HotKeyMatch.h"

#include "linecode/LineCodePatterns.h"
#include "settings/ActivatorMessages.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

constexpr std::uint16_t kShift = 0x10, kControl = 0x11, kAlt = 0x12;
constexpr std::uint16_t kF5 = 0x74, kF9 = 0x78, kScrollLock = 0x91;

// A key state with exactly `down` held; toggled keys carry bit 0x01, which must not count as down.
KeyStateTable Holding(std::initializer_list<std::uint16_t> down) {
    KeyStateTable keys{};
    keys[0x14] = 0x01; // Caps Lock toggled on, not held
    for (std::uint16_t key : down)
        keys[key] = 0x80;
    return keys;
}

struct CHotKeys {
    CHookHotKey capture{};
    CHookHotKey modes[kModeHotKeyCount]{};

    HookAction Find(const KeyStateTable& keys) const { return FindHookAction(capture, modes, keys); }
};

} // namespace

TEST(ModifiersMatch, EachModifierMustBeExactlyAsTheFlagsDemand) {
    EXPECT_EQ(ModifiersMatch(0, Holding({})), 1);
    EXPECT_EQ(ModifiersMatch(0, Holding({kShift})), 0);
    EXPECT_EQ(ModifiersMatch(1, Holding({kShift})), 1);
    EXPECT_EQ(ModifiersMatch(1, Holding({})), 0);
    EXPECT_EQ(ModifiersMatch(2, Holding({kControl, kShift})), 0);
    EXPECT_EQ(ModifiersMatch(3, Holding({kControl, kShift})), 1);
    EXPECT_EQ(ModifiersMatch(7, Holding({kControl, kShift, kAlt})), 1);
    EXPECT_EQ(ModifiersMatch(4, Holding({kAlt, kControl})), 0);
    // The extended-key flag and higher bits are not looked at.
    EXPECT_EQ(ModifiersMatch(8 | 2, Holding({kControl})), 1);
    EXPECT_EQ(ModifiersMatch(0xFF00 | 1, Holding({kShift})), 1);
    // A toggled key (bit 0x01 only) is not down.
    KeyStateTable toggled{};
    toggled[kShift] = 0x01;
    EXPECT_EQ(ModifiersMatch(1, toggled), 0);
}

TEST(HotKeyMatching, TheKeyMustBeDownAndCodeZeroNeverIs) {
    EXPECT_TRUE(HotKeyMatches({kF5, 0}, Holding({kF5})));
    EXPECT_FALSE(HotKeyMatches({kF5, 0}, Holding({kF5, kShift})));
    EXPECT_FALSE(HotKeyMatches({kF5, 0}, Holding({})));
    // A cleared hotkey never matches, not even with every key of the table down.
    KeyStateTable everything;
    everything.fill(0x80);
    EXPECT_FALSE(HotKeyMatches({0, 0}, Holding({0})));
    EXPECT_FALSE(HotKeyMatches({0, 7}, everything));
    // Codes beyond the 256 virtual keys are no key at all.
    EXPECT_FALSE(HotKeyMatches({0x100, 0}, Holding({})));
    EXPECT_FALSE(HotKeyMatches({0xFFFF, 7}, everything));
    EXPECT_FALSE(IsKeyDown(everything, 0x1F0));
}

TEST(HotKeyDispatch, CaptureComesFirstThenTheModesInOrder) {
    CHotKeys keys;
    keys.capture = {kF9, 1};
    for (CHookHotKey& mode : keys.modes)
        mode = {kF9, 1};
    EXPECT_EQ(keys.Find(Holding({kF9, kShift})), HookAction::kCapture);

    keys.capture = {kScrollLock, 0};
    EXPECT_EQ(keys.Find(Holding({kF9, kShift})), HookAction::kInterlace);
    keys.modes[0] = {};
    EXPECT_EQ(keys.Find(Holding({kF9, kShift})), HookAction::kPageFlip);
    keys.modes[1] = {};
    EXPECT_EQ(keys.Find(Holding({kF9, kShift})), HookAction::kSyncDouble);
    keys.modes[2] = {};
    EXPECT_EQ(keys.Find(Holding({kF9, kShift})), HookAction::kLineBlank);
    keys.modes[3] = {};
    EXPECT_EQ(keys.Find(Holding({kF9, kShift})), HookAction::kNormal);
    keys.modes[4] = {};
    EXPECT_EQ(keys.Find(Holding({kF9, kShift})), HookAction::kNone);
    EXPECT_EQ(keys.Find(Holding({kScrollLock})), HookAction::kCapture);
}

TEST(HotKeyDispatch, TheActivatorsDefaultsAndOnlyExactCombinations) {
    // Shift+F9 for Interlace and Page Flip alike: Interlace is tested first.
    CHotKeys keys;
    keys.capture = {kScrollLock, 0};
    const CHookHotKey defaults[kModeHotKeyCount] = {{0x78, 1}, {0x78, 1}, {0x79, 1}, {0x7A, 1}, {0x7B, 1}};
    std::copy(std::begin(defaults), std::end(defaults), keys.modes);
    EXPECT_EQ(keys.Find(Holding({kShift, 0x78})), HookAction::kInterlace);
    EXPECT_EQ(keys.Find(Holding({kShift, 0x79})), HookAction::kSyncDouble);
    EXPECT_EQ(keys.Find(Holding({kShift, 0x7A})), HookAction::kLineBlank);
    EXPECT_EQ(keys.Find(Holding({kShift, 0x7B})), HookAction::kNormal);
    EXPECT_EQ(keys.Find(Holding({0x7B})), HookAction::kNone);
    EXPECT_EQ(keys.Find(Holding({kShift, kControl, 0x7B})), HookAction::kNone);
    EXPECT_EQ(keys.Find(Holding({kShift, kScrollLock})), HookAction::kNone);
    // Any other key held alongside does not matter: only the hotkey's key and the modifiers are tested.
    EXPECT_EQ(keys.Find(Holding({kShift, 0x7B, 'A'})), HookAction::kNormal);
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
