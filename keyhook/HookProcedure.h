#pragma once
// The keyboard hook procedure. The system calls it in whichever program is about to process a key,
// on that program's input thread. When the current key state matches a hotkey of the shared state it
// acts at once on that thread: a mode hotkey emits the mode's line code and sends the result code to
// the target window; the capture hotkey writes a screenshot file and sends nothing. Every call ends in
// CallNextHookEx, so the program still receives the key.

#include "keyhook/HotKeyMatch.h"

#include <windows.h>

#include <cstdint>

LRESULT CALLBACK KeyHookProc(int code, WPARAM wParam, LPARAM lParam);

// 1 when the three modifier keys of the calling thread are exactly as `modifiers` asks, else 0.
int ModifiersMatch(std::uint16_t modifiers);

// The module whose hook procedure AttachKeyHook installs: recorded in each process when the library is
// loaded into it.
HINSTANCE KeyHookInstance() noexcept;
void SetKeyHookInstance(HINSTANCE instance) noexcept;
