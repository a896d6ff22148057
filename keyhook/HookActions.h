#pragma once
// The hook actions as the action thread runs them, and their reports to the target window of the
// shared state. The result messages are posted: the action thread does not wait for the window's
// thread, which may itself be waiting for the action thread to end. Only a capture's report with its
// file name is sent, as WM_COPYDATA (the message that carries data to a window safely), bounded by a
// time-out; the thread that detaches the hook handles it while it waits (keyhook/KeyWatch.h).

#include "framework/Handles.h"
#include "keyhook/HotKeyMatch.h"

#include <windows.h>

#include <atomic>

// Runs `action` on the calling thread: a mode's line code (0.5 s, or 1 s for Interlace and Normal),
// reported as its result message, or a screen capture, reported as WM_COPYDATA with its result and
// file name and then as message 1031. Nothing is reported while the target window is null.
void RunHookAction(HookAction action);

// One action at a time, handed over by the hook procedure and run by the action thread.
class CActionQueue {
public:
    CActionQueue() noexcept;
    CActionQueue(const CActionQueue&) = delete;
    CActionQueue& operator=(const CActionQueue&) = delete;

    // Whether the events exist; a queue without them takes no action.
    bool IsReady() const noexcept { return m_wake && m_stop; }

    // Hands `action` over unless an action is waiting or running: a hotkey pressed meanwhile is
    // dropped. Returns at once; false when the action was not taken.
    bool Request(HookAction action) noexcept;

    // The action thread's body: runs the actions handed over until Stop. An action under way is
    // finished first; one handed over but not yet started is dropped.
    void Run();
    void Stop() noexcept;

private:
    CKernelHandle m_wake; // auto-reset: an action was handed over
    CKernelHandle m_stop; // manual-reset: the thread ends
    // 1 from the hand-over until the action has run.
    std::atomic<int> m_busy{0};
    std::atomic<HookAction> m_pending{HookAction::kNone};
};
