#include "keyhook/HookProcedure.h"

#include "keyhook/HookActions.h"
#include "keyhook/SharedState.h"

namespace {

HINSTANCE g_instance = nullptr;
// The hook thread's own state; the system calls a low-level hook only on the thread that set it.
thread_local CHookThreadScope* t_hookThread = nullptr;

bool AsyncKeyDown(int virtualKey) noexcept {
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

// Shift, Control and Alt as hotkey flags. VK_SHIFT, VK_CONTROL and VK_MENU stand for either key of the
// pair.
std::uint16_t HeldModifiers() noexcept {
    std::uint16_t held = 0;
    if (AsyncKeyDown(VK_SHIFT))
        held |= kModifierShift;
    if (AsyncKeyDown(VK_CONTROL))
        held |= kModifierControl;
    if (AsyncKeyDown(VK_MENU))
        held |= kModifierAlt;
    return held;
}

} // namespace

HINSTANCE KeyHookInstance() noexcept {
    if (g_instance)
        return g_instance;
    // Linked into a program rather than loaded as the library: the module that holds this code.
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&KeyHookProc), &module);
    return module;
}

void SetKeyHookInstance(HINSTANCE instance) noexcept {
    g_instance = instance;
}

int ModifiersMatch(std::uint16_t modifiers) {
    return ModifiersMatch(modifiers, HeldModifiers());
}

CHookThreadScope::CHookThreadScope(CActionQueue& actions) noexcept
    : m_actions(actions), m_outer(t_hookThread) {
    t_hookThread = this;
}

CHookThreadScope::~CHookThreadScope() {
    t_hookThread = m_outer;
}

// Cheap for keys that belong to no hotkey: the six hotkeys are compared with the key and nothing is
// asked of the system. For a hotkey's key the asynchronous key state gives the modifiers; inside the
// hook it holds every event before this one, so a key seen down by this hook and still down there is
// being repeated.
void CHookThreadScope::OnKeyEvent(const KBDLLHOOKSTRUCT& event) {
    const auto key = static_cast<std::uint16_t>(event.vkCode);
    if (event.flags & LLKHF_UP) {
        m_presses.Up(key);
        return;
    }
    const CKeyHookShared& shared = KeyHookShared();
    const CHookHotKey capture = LoadShared(shared.capture);
    CHookHotKey modes[kModeHotKeyCount];
    for (int i = 0; i < kModeHotKeyCount; ++i)
        modes[i] = LoadShared(shared.modes[i]);
    if (!IsHotKeyKey(capture, modes, key)) {
        m_presses.Down(key, [] { return true; });
        return;
    }
    if (!m_presses.Down(key, [key] { return AsyncKeyDown(key); }))
        return;
    if (!LoadShared(shared.targetWindow))
        return;
    const HookAction action = FindHookAction(capture, modes, key, HeldModifiers());
    if (action != HookAction::kNone)
        m_actions.Request(action);
}

LRESULT CALLBACK KeyHookProc(int code, WPARAM wParam, LPARAM lParam) {
    // Nothing may escape into the system's hook call, and the key always goes on.
    if (code == HC_ACTION && lParam != 0) {
        try {
            if (CHookThreadScope* hookThread = t_hookThread)
                hookThread->OnKeyEvent(*reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam));
        } catch (...) {
        }
    }
    return CallNextHookEx(LoadShared(KeyHookShared().hook), code, wParam, lParam);
}
