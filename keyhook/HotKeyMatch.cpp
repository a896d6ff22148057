#include "keyhook/HotKeyMatch.h"

#include "linecode/LineCodePatterns.h"
#include "settings/ActivatorMessages.h"

int ModifiersMatch(std::uint16_t modifiers, std::uint16_t heldModifiers) noexcept {
    return (modifiers & kModifierFlags) == (heldModifiers & kModifierFlags) ? 1 : 0;
}

bool HotKeyMatches(const CHookHotKey& hotKey, std::uint16_t pressedKey,
                   std::uint16_t heldModifiers) noexcept {
    return hotKey.virtualKey != 0 && hotKey.virtualKey == pressedKey &&
           ModifiersMatch(hotKey.modifiers, heldModifiers) == 1;
}

bool IsHotKeyKey(const CHookHotKey& capture, std::span<const CHookHotKey, kModeHotKeyCount> modes,
                 std::uint16_t key) noexcept {
    if (key == 0)
        return false;
    if (capture.virtualKey == key)
        return true;
    for (const CHookHotKey& mode : modes) {
        if (mode.virtualKey == key)
            return true;
    }
    return false;
}

HookAction FindHookAction(const CHookHotKey& capture, std::span<const CHookHotKey, kModeHotKeyCount> modes,
                          std::uint16_t pressedKey, std::uint16_t heldModifiers) noexcept {
    if (HotKeyMatches(capture, pressedKey, heldModifiers))
        return HookAction::kCapture;
    constexpr HookAction kModeActions[kModeHotKeyCount] = {HookAction::kInterlace, HookAction::kPageFlip,
                                                           HookAction::kSyncDouble, HookAction::kLineBlank,
                                                           HookAction::kNormal};
    for (int i = 0; i < kModeHotKeyCount; ++i) {
        if (HotKeyMatches(modes[i], pressedKey, heldModifiers))
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
