#pragma once
// Which hotkeys fire while text is typed. Plain code, free of any Windows header.

#include "settings/SettingsTypes.h"

// Whether the hotkey control can make this hotkey: a virtual-key code below 256 and no modifier flags
// but Shift, Control, Alt and the extended-key flag (HOTKEYF_ 1, 2, 4, 8).
bool IsHotKeyOfControl(std::uint32_t virtualKey, std::uint32_t modifiers);

// Whether the hotkey is a key that people press while they type text, with neither Control nor Alt
// (Shift alone still types): a letter, a digit, the space bar, Enter, Tab, Backspace, a punctuation
// key, or a key of the numeric keypad's digits and signs. Such a hotkey would fire, for every user of
// the machine, at each of those keys.
bool IsTypingHotKey(const CHotKey& hotKey);
