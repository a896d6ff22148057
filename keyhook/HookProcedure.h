#pragma once
// The low-level keyboard hook procedure. The system calls it on the hook thread of the key watch
// (keyhook/KeyWatch.h) for every key event of the desktop, before the key reaches the program in
// front, whatever that program's bitness. On the down transition of a hotkey's key with exactly its
// modifiers held it hands the action to the action thread and returns at once: the system removes a
// low-level hook that keeps keys waiting. Every call ends in CallNextHookEx, so the program still
// receives the key.

#include "keyhook/HotKeyMatch.h"

#include <windows.h>

#include <cstdint>

class CActionQueue;

// For WH_KEYBOARD_LL: lParam addresses the event's KBDLLHOOKSTRUCT. On a thread without a
// CHookThreadScope it passes every key straight on.
LRESULT CALLBACK KeyHookProc(int code, WPARAM wParam, LPARAM lParam);

// Makes the calling thread a hook thread while it lives: KeyHookProc called there keeps track of the
// keys that are down and hands the hotkeys' actions to `actions`.
class CHookThreadScope {
public:
    explicit CHookThreadScope(CActionQueue& actions) noexcept;
    ~CHookThreadScope();
    CHookThreadScope(const CHookThreadScope&) = delete;
    CHookThreadScope& operator=(const CHookThreadScope&) = delete;

    // One key event of the hook.
    void OnKeyEvent(const KBDLLHOOKSTRUCT& event);

private:
    CActionQueue& m_actions;
    CKeyPresses m_presses;
    CHookThreadScope* m_outer;
};

// 1 when Shift, Control and Alt are, by the asynchronous key state, exactly as `modifiers` asks, else 0.
// Inside the hook procedure that state holds every key event before the one being delivered.
int ModifiersMatch(std::uint16_t modifiers);

// The module whose hook procedure the watch installs: recorded when the library is loaded.
HINSTANCE KeyHookInstance() noexcept;
void SetKeyHookInstance(HINSTANCE instance) noexcept;
