#pragma once
// The key target: a small window program, built both 32-bit and 64-bit, that stands in for whatever
// program is in front when a hotkey is pressed. It takes the foreground when it starts, notes every key
// press it receives, and answers these messages sent from a test process.

#include <windows.h>

// The window's title: kKeyTargetTitle followed by the bitness, "32" or "64".
inline constexpr char kKeyTargetTitle[] = "Zelto key target ";

// The number of key presses noted (WM_KEYDOWN and WM_SYSKEYDOWN).
inline constexpr UINT kKeyTargetCount = WM_APP + 0;
// Press wParam, 0 first: its virtual-key code, plus 0x10000 when it was an auto-repeat; -1 past the end.
inline constexpr UINT kKeyTargetPress = WM_APP + 1;
// Forgets the presses noted so far.
inline constexpr UINT kKeyTargetClear = WM_APP + 2;
// 32 or 64.
inline constexpr UINT kKeyTargetBitness = WM_APP + 3;
// Answers 1 at once: a round trip through the program's message loop.
inline constexpr UINT kKeyTargetPing = WM_APP + 4;
