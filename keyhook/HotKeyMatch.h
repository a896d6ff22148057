#pragma once
// Which hook action a key press asks for: the six hotkeys of the shared state tested against the key
// that went down and the modifier keys held at that moment, and which key events are presses at all.
// Plain code, free of Windows headers.

#include <bitset>
#include <cstdint>
#include <span>

// A hotkey as the hotkey control encodes it: a virtual-key code and the flags 1 Shift, 2 Control,
// 4 Alt (8, the extended-key flag, and higher bits are not tested). Both halves form one 32-bit value
// (key in the low half), aligned so that it is read and written whole: a reader never pairs a new key
// with old modifiers.
struct alignas(4) CHookHotKey {
    std::uint16_t virtualKey = 0;
    std::uint16_t modifiers = 0;
};
static_assert(sizeof(CHookHotKey) == 4);

// The mode hotkeys, in the order Interlace, Page Flip, Sync Double, Line Blank, Normal.
inline constexpr int kModeHotKeyCount = 5;

// The modifier flags that a match compares.
inline constexpr std::uint16_t kModifierShift = 1;
inline constexpr std::uint16_t kModifierControl = 2;
inline constexpr std::uint16_t kModifierAlt = 4;
inline constexpr std::uint16_t kModifierFlags = kModifierShift | kModifierControl | kModifierAlt;

// 1 when the held modifiers (Shift, Control and Alt as flags) are exactly those that `modifiers`
// asks for, else 0: a hotkey Ctrl+F5 does not fire while Ctrl+Shift+F5 is held.
int ModifiersMatch(std::uint16_t modifiers, std::uint16_t heldModifiers) noexcept;

// Whether pressing `pressedKey` with `heldModifiers` held is the hotkey. A cleared hotkey (code 0)
// never matches.
bool HotKeyMatches(const CHookHotKey& hotKey, std::uint16_t pressedKey, std::uint16_t heldModifiers) noexcept;

// Whether `key` is the key of any of the six hotkeys, whatever their modifiers: only such keys need
// the modifier state looked up.
bool IsHotKeyKey(const CHookHotKey& capture, std::span<const CHookHotKey, kModeHotKeyCount> modes,
                 std::uint16_t key) noexcept;

enum class HookAction { kNone, kCapture, kInterlace, kPageFlip, kSyncDouble, kLineBlank, kNormal };

// The first hotkey that the press matches, tested in the order capture, Interlace, Page Flip,
// Sync Double, Line Blank, Normal; kNone when none does.
HookAction FindHookAction(const CHookHotKey& capture, std::span<const CHookHotKey, kModeHotKeyCount> modes,
                          std::uint16_t pressedKey, std::uint16_t heldModifiers) noexcept;

// What a mode action does: the line code it emits and the message that reports the result to the
// Activator's window.
struct CModeAction {
    int code;
    unsigned resultMessage;
};
// The mode action of `action`; false for kNone and kCapture.
bool ModeActionOf(HookAction action, CModeAction& mode) noexcept;

// The keys that a low-level hook has seen go down and not yet come up, to tell a key's press (its
// down transition) from the auto-repeat of a held key, which arrives as further key-down events.
class CKeyPresses {
public:
    // A key-down event of `key`; true when it is a press. A key already down is a repeat unless
    // `stillHeld` (asked only then) says that the key was up before this event: its release was
    // missed, as when it happened while no hook was set.
    template <typename StillHeld> bool Down(std::uint16_t key, StillHeld stillHeld) {
        if (key >= m_down.size())
            return true;
        if (m_down.test(key) && stillHeld())
            return false;
        m_down.set(key);
        return true;
    }
    // A key-up event of `key`.
    void Up(std::uint16_t key) noexcept {
        if (key < m_down.size())
            m_down.reset(key);
    }

private:
    std::bitset<256> m_down;
};
