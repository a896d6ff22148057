#pragma once
// The six hotkeys: V\"HotKey"\<mode> with "Virtual Key Code" and "Modifiers" (REG_DWORD, low 16 bits
// used), for the modes Interlace, Page Flip, Sync Double, Line Blank, Normal and Capture. Each user's
// own are in their tree (HKEY_CURRENT_USER), where the property page stores them; what a user has not
// chosen comes from the machine's tree, whose hotkeys are every user's defaults.

#include "settings/SettingsTypes.h"

#include <array>

using CHotKeys = std::array<CHotKey, kHotKeyCount>;

// The hotkeys in force where none is stored: Shift+F9 for Interlace and Page Flip alike (the hook tests
// Interlace first), Shift+F10 to Shift+F12, and Scroll Lock alone for the capture.
inline constexpr CHotKeys kBuiltInHotKeys{{{0x78, 1}, {0x78, 1}, {0x79, 1}, {0x7A, 1}, {0x7B, 1}, {0x91, 0}}};

// Reads the stored hotkeys, each value from the user's tree or else the machine's (CSettingsKeys); a
// value that cannot be read (missing, or no REG_DWORD) keeps its entry. False when neither tree has a
// "HotKey" key.
bool ReadHotKeys(CHotKeys& hotKeys);

// Writes the six hotkeys under the user's R\"1.0"\"HotKey" (CreateCurrentVersionKey). A hotkey subkey
// or value that fails is skipped and the rest are still written; false then, or when the "HotKey" key
// cannot be reached.
bool WriteHotKeys(const CHotKeys& hotKeys);
