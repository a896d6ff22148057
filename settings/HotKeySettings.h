#pragma once
// The six hotkeys: V\"HotKey"\<mode> with "Virtual Key Code" and "Modifiers" (REG_DWORD, low 16 bits
// used), for the modes Interlace, Page Flip, Sync Double, Line Blank, Normal and Capture.

#include "settings/SettingsTypes.h"

#include <array>

using CHotKeys = std::array<CHotKey, kHotKeyCount>;

// The hotkeys in force where none is stored: Shift+F9 for Interlace and Page Flip alike (the hook tests
// Interlace first), Shift+F10 to Shift+F12, and Scroll Lock alone for the capture.
inline constexpr CHotKeys kBuiltInHotKeys{{{0x78, 1}, {0x78, 1}, {0x79, 1}, {0x7A, 1}, {0x7B, 1}, {0x91, 0}}};

// Reads the stored hotkeys from the version key that "Current Version" names; a value that cannot be
// read (missing, or no REG_DWORD) keeps its entry. False when the "HotKey" key cannot be opened.
bool ReadHotKeys(CHotKeys& hotKeys);

// Writes the six hotkeys under R\"1.0"\"HotKey" (CreateCurrentVersionKey). A hotkey subkey or value
// that fails is skipped and the rest are still written; false then, or when the "HotKey" key cannot
// be reached.
bool WriteHotKeys(const CHotKeys& hotKeys);
