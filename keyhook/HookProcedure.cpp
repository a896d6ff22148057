#include "keyhook/HookProcedure.h"

#include "keyhook/PhysicalPixelsScope.h"
#include "keyhook/ScreenCapture.h"
#include "keyhook/SharedState.h"
#include "linecode/LineCodeEmitter.h"

#include <atomic>

namespace {

// Per process (ordinary data of the library): its module, and whether a hook action runs in this
// process now. The flag keeps an action from starting again while one is under way, for instance
// when the thread handles messages while it waits for the target window's answer.
HINSTANCE g_instance = nullptr;
std::atomic<int> g_busy{0};

class CBusyScope {
public:
    CBusyScope() noexcept { g_busy.store(1, std::memory_order_relaxed); }
    ~CBusyScope() { g_busy.store(0, std::memory_order_relaxed); }
    CBusyScope(const CBusyScope&) = delete;
    CBusyScope& operator=(const CBusyScope&) = delete;
};

bool ReadKeyState(KeyStateTable& keys) noexcept {
    return GetKeyboardState(keys.data()) != FALSE;
}

void RunAction(HookAction action, HWND target) {
    CPhysicalPixelsScope physicalPixels;
    if (action == HookAction::kCapture) {
        CaptureScreen();
        return;
    }
    CModeAction mode{};
    if (!ModeActionOf(action, mode))
        return;
    const int result = EmitLineCode(mode.code);
    // Sent, not posted: the program waits until the Activator has shown the result. A window that is
    // gone makes the call fail, which changes nothing here.
    SendMessageA(target, mode.resultMessage, static_cast<WPARAM>(static_cast<INT_PTR>(result)), 0);
}

// The hotkey test of one keyboard message and the action it calls for, unless an action already runs
// in this process or no window waits for the results.
void DispatchHotKeys() {
    CKeyHookShared& shared = KeyHookShared();
    HWND target = LoadShared(shared.targetWindow);
    if (!target || g_busy.load(std::memory_order_relaxed) != 0)
        return;
    CBusyScope busy;
    // One snapshot of the thread's key state (what GetKeyState reports key by key) for all six tests.
    KeyStateTable keys{};
    if (!ReadKeyState(keys))
        return;
    CHookHotKey modes[kModeHotKeyCount];
    for (int i = 0; i < kModeHotKeyCount; ++i)
        modes[i] = LoadShared(shared.modes[i]);
    const HookAction action = FindHookAction(LoadShared(shared.capture), modes, keys);
    if (action != HookAction::kNone)
        RunAction(action, target);
}

} // namespace

HINSTANCE KeyHookInstance() noexcept {
    return g_instance;
}

void SetKeyHookInstance(HINSTANCE instance) noexcept {
    g_instance = instance;
}

int ModifiersMatch(std::uint16_t modifiers) {
    KeyStateTable keys{};
    return ReadKeyState(keys) ? ModifiersMatch(modifiers, keys) : 0;
}

LRESULT CALLBACK KeyHookProc(int code, WPARAM wParam, LPARAM lParam) {
    // The procedure runs inside other people's programs: nothing may escape it, and the key goes on.
    if (code == HC_ACTION) {
        try {
            DispatchHotKeys();
        } catch (...) {
        }
    }
    return CallNextHookEx(LoadShared(KeyHookShared().hook), code, wParam, lParam);
}
