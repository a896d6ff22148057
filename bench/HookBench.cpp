// Prints what the keyboard hook procedure costs when no hotkey matches, against a hook procedure that
// only passes the key on (goal: at most twice as much): called directly, and called by the system for
// real key presses sent to a window of this thread.

#include "bench/BenchClock.h"
#include "keyhook/HookProcedure.h"
#include "keyhook/SharedState.h"

#include <cstdio>

namespace {

LRESULT CALLBACK PassOnProc(int code, WPARAM wParam, LPARAM lParam) {
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

int g_keysSeen = 0;

LRESULT CALLBACK CountingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYUP)
        ++g_keysSeen;
    return DefWindowProcA(window, message, wParam, lParam);
}

// Microseconds per direct call of `procedure`, the best of five rounds.
double DirectCallCost(HOOKPROC procedure) {
    const int calls = 20000;
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
        double start = NowMicroseconds();
        for (int i = 0; i < calls; ++i)
            procedure(HC_ACTION, 'A', 0x001E0001);
        double cost = (NowMicroseconds() - start) / calls;
        best = cost < best ? cost : best;
    }
    return best;
}

// Microseconds per key press (down and up) that the system delivers to `window` with `procedure`
// installed as this thread's keyboard hook (none for null), the best of three rounds.
double DispatchCost(HWND window, HOOKPROC procedure) {
    HHOOK hook =
        procedure ? SetWindowsHookExA(WH_KEYBOARD, procedure, nullptr, GetCurrentThreadId()) : nullptr;
    StoreShared(KeyHookShared().hook, hook);
    const int presses = 2000;
    INPUT inputs[2]{};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = 'A';
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    double best = 1e30;
    for (int round = 0; round < 3; ++round) {
        g_keysSeen = 0;
        double start = NowMicroseconds();
        for (int i = 0; i < presses; ++i) {
            SendInput(2, inputs, sizeof(INPUT));
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&message);
        }
        double deadline = NowMicroseconds() + 5e6;
        MSG message;
        while (g_keysSeen < presses && NowMicroseconds() < deadline) {
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&message);
        }
        double cost = (NowMicroseconds() - start) / presses;
        best = cost < best ? cost : best;
        if (g_keysSeen < presses)
            std::printf("  (only %d of %d key presses arrived)\n", g_keysSeen, presses);
    }
    if (hook)
        UnhookWindowsHookEx(hook);
    (void)window;
    return best;
}

} // namespace

int main() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = CountingWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "HookBenchWindow";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "HookBenchWindow", "Hook bench", WS_POPUP | WS_VISIBLE, 100,
                                  100, 200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
    SetForegroundWindow(window);
    SetFocus(window);

    // The Activator's built-in hotkeys; none of them is held while 'A' is pressed.
    CKeyHookShared& shared = KeyHookShared();
    StoreShared(shared.targetWindow, window);
    const CHookHotKey modes[kModeHotKeyCount] = {{0x78, 1}, {0x78, 1}, {0x79, 1}, {0x7A, 1}, {0x7B, 1}};
    for (int i = 0; i < kModeHotKeyCount; ++i)
        StoreShared(shared.modes[i], modes[i]);
    StoreShared(shared.capture, CHookHotKey{0x91, 0});

    const double passOn = DirectCallCost(PassOnProc);
    const double keyHook = DirectCallCost(KeyHookProc);
    std::printf("direct call: pass-on hook %.2f us, KeyHookProc (no match) %.2f us: %.2f times (goal <= 2)\n",
                passOn, keyHook, keyHook / passOn);

    const double none = DispatchCost(window, nullptr);
    const double passOnDispatch = DispatchCost(window, PassOnProc);
    const double keyHookDispatch = DispatchCost(window, KeyHookProc);
    std::printf(
        "per key press delivered by the system: no hook %.2f us, pass-on hook %.2f us, KeyHookProc %.2f us\n",
        none, passOnDispatch, keyHookDispatch);
    std::printf("hook share of a key press: pass-on %.2f us, KeyHookProc %.2f us: %.2f times; whole press "
                "%.2f times\n",
                passOnDispatch - none, keyHookDispatch - none,
                (keyHookDispatch - none) / (passOnDispatch - none), keyHookDispatch / passOnDispatch);
    DestroyWindow(window);
    return 0;
}
