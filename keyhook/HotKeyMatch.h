#pragma once
// Which hook action the current key state asks for: the six hotkeys of the shared state tested against
// the keyboard state of the thread that the hook runs on. Plain code, free of Windows headers.

#include <array>
#include <cstdint>
#include <span>

// A hotkey as the hotkey control encodes it: a virtual-key code and the flags 1 Shift, 2 Control,
// 4 Alt (8, the extended-key flag, and higher bits are not tested).
struct CHookHotKey {
    std::uint16_t virtualKey = 0;
    std::uint16_t modifiers = 0;
};

// The mode hotkeys, in the order Interlace, Page Flip, Sync Double, Line Blank, Normal.
inline constexpr int kModeHotKeyCount = 5;

// A thread's keyboard state in the layout of GetKeyboardState: entry vk has bit 0x80 set while that
// key is down.
using KeyStateTable = std::array<std::uint8_t, 256>;

// Whether `virtualKey` counts as down. Code 0 is never down, nor is a code beyond the 256 virtual keys,
// so a cleared hotkey never matches.
bool IsKeyDown(const KeyStateTable& keys, std::uint16_t virtualKey) noexcept;

// 1 when Shift, Control and Alt are each down exactly when `modifiers` asks for them, else 0: a hotkey
// Ctrl+F5 does not fire while Ctrl+Shift+F5 is held.
int ModifiersMatch(std::uint16_t modifiers, const KeyStateTable& keys) noexcept;

bool HotKeyMatches(const CHookHotKey& hotKey, const KeyStateTable& keys) noexcept;

enum class HookAction { kNone, kCapture, kInterlace, kPageFlip, kSyncDouble, kLineBlank, kNormal };

// The first hotkey that matches, tested in the order capture, Interlace, Page Flip, Sync Double,
// Line Blank, Normal; kNone when none does.
HookAction FindHookAction(const CHookHotKey& capture, std::span<const CHookHotKey, kModeHotKeyCount> modes,
                          const KeyStateTable& keys) noexcept;

// What a mode action does: the line code it emits and the message that reports the result to the
// Activator's window.
struct CModeAction {
    int code;
    unsigned resultMessage;
};
// The mode action of `action`; false for kNone and kCapture.
bool ModeActionOf(HookAction action, CModeAction& mode) noexcept;
