#pragma once
// The hotkey watch of the process that attaches the hook (the Activator). Two threads of that process:
// - the hook thread sets the low-level keyboard hook and only pumps its messages, so that the system's
//   calls of the hook procedure, which hold every key of the desktop until they return, are answered
//   at once;
// - the action thread runs the actions that the hook procedure hands over (a line code of 0.5 to 1 s,
//   a screen capture), one at a time, and reports their results to the target window.
// The library stays loaded while the watch runs, whoever frees it meanwhile.

#include <windows.h>

// How the watch starts its threads: CreateThread's work, replaceable to make a start fail. The thread's
// handle (its identifier in `threadId`), or null.
using ThreadStarter = HANDLE (*)(LPTHREAD_START_ROUTINE routine, void* context, DWORD* threadId);
HANDLE StartThread(LPTHREAD_START_ROUTINE routine, void* context, DWORD* threadId);

// AttachKeyHook's work: detaches as DetachKeyWatch does, stores `window` as the target window, then
// starts the action thread and the hook thread and stores the hook's handle. 1 when the hook is set;
// 0 when a thread could not start or the system refused the hook, and nothing is left running.
int AttachKeyWatch(HWND window, ThreadStarter startThread = &StartThread);

// DetachKeyHook's work, when a hook is set: clears the target window, so that an action under way
// reports nothing more; stops the hook (no key reaches the procedure afterwards) and then the action
// thread, once the action under way has ended; clears the hook handle and the five mode hotkeys.
void DetachKeyWatch();

// Waits until `thread` has ended, handling meanwhile the messages that other threads send to the
// calling thread's windows: an action reporting to a window of the waiting thread cannot hold the wait
// up. False when `timeoutMs` passed first; true also when the handle cannot be waited for.
bool WaitHandlingSentMessages(HANDLE thread, DWORD timeoutMs);
