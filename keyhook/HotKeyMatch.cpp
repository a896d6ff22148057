#include "keyhook/HotKeyMatch.h"

#include "linecode/LineCodePatterns.h"
#include "settings/ActivatorMessages.h"

namespace {

// The virtual-key codes of the modifier keys (VK_SHIFT, VK_CONTROL, VK_MENU) and their hotkey flags.
constexpr std::uint16_t kVirtualKeyShift = 0x10;
constexpr std::uint16_t kVirtualKeyControl = 0x11;
constexpr std::uint16_t kVirtualKeyAlt = 0x12;
constexpr std::uint16_t kFlagShift = 1;
constexpr std::uint16_t kFlagControl = 2;
constexpr std::uint16_t kFlagAlt = 4;

bool ModifierAgrees(std::uint16_t modifiers, std::uint16_t flag, std::uint16_t key,
                    const KeyStateTable& keys) {
    return ((modifiers & flag) != 0) == IsKeyDown(keys, key);
}

} // namespace

bool IsKeyDown(const KeyStateTable& keys, std::uint16_t virtualKey) noexcept {
    return virtualKey != 0 && virtualKey < keys.size() && (keys[virtualKey] & 0x80) != 0;
}

int ModifiersMatch(std::uint16_t modifiers, const KeyStateTable& keys) noexcept {
    return ModifierAgrees(modifiers, kFlagShift, kVirtualKeyShift, keys) &&
                   ModifierAgrees(modifiers, kFlagControl, kVirtualKeyControl, keys) &&
                   ModifierAgrees(modifiers, kFlagAlt, kVirtualKeyAlt, keys)
               ? 1
               : 0;
}

bool HotKeyMatches(const CHookHotKey& hotKey, const KeyStateTable& keys) noexcept {
    return IsKeyDown(keys, hotKey.virtualKey) && ModifiersMatch(hotKey.modifiers, keys) == 1;
}

HookAction FindHookAction(const CHookHotKey& capture, std::span<const CHookHotKey, kModeHotKeyCount> modes,
                          const KeyStateTable& keys) noexcept {
    if (HotKeyMatches(capture, keys))
        return HookAction::kCapture;
    constexpr HookAction kModeActions[kModeHotKeyCount] = {HookAction::kInterlace, HookAction::kPageFlip,
                                                           HookAction::kSyncDouble, HookAction::kLineBlank,
                                                           HookAction::kNormal};
    for (int i = 0; i < kModeHotKeyCount; ++i) {
        if (HotKeyMatches(modes[i], keys))
            return kModeActions[i];
    }
    return HookAction::kNone;
}

bool ModeActionOf(HookAction action, CModeAction& mode) noexcept {
    switch (action) {
    case HookAction::kInterlace:
        mode = {kCodeInterlace, kMsgResultInterlace};
        return true;
    case HookAction::kPageFlip:
        mode = {kCodePageFlip, kMsgResultPageFlip};
        return true;
    case HookAction::kSyncDouble:
        mode = {kCodeSyncDouble, kMsgResultSyncDouble};
        return true;
    case HookAction::kLineBlank:
        mode = {kCodeLineBlank, kMsgResultLineBlank};
        return true;
    case HookAction::kNormal:
        mode = {kCodeNormal, kMsgResultNormal};
        return true;
    default:
        return false;
    }
}
