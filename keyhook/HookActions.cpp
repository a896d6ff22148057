#include "keyhook/HookActions.h"

#include "keyhook/KeyHook.h"
#include "keyhook/ScreenCapture.h"
#include "keyhook/SharedState.h"
#include "linecode/LineCodeEmitter.h"
#include "settings/ActivatorMessages.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

// How long a capture's report may wait for the target window's thread.
constexpr UINT kCopyDataTimeoutMs = 5000;

HWND TargetWindow() noexcept {
    return LoadShared(KeyHookShared().targetWindow);
}

// Posted: a window that is gone makes the call fail, which changes nothing here.
void Report(unsigned message, int result) {
    if (HWND target = TargetWindow())
        PostMessageA(target, message, static_cast<WPARAM>(static_cast<INT_PTR>(result)), 0);
}

// The result code, then the path with its terminator (the layout that KeyHook.h gives).
void ReportCapture(int result, const std::string& path) {
    HWND target = TargetWindow();
    if (!target)
        return;
    const std::int32_t code = result;
    const std::size_t size = sizeof code + path.size() + 1;
    // The record and its payload in one block, which outlives the call when the call times out.
    auto block = std::make_unique<char[]>(sizeof(COPYDATASTRUCT) + size);
    char* payload = block.get() + sizeof(COPYDATASTRUCT);
    std::memcpy(payload, &code, sizeof code);
    std::memcpy(payload + sizeof code, path.c_str(), path.size() + 1);
    auto* data = new (block.get()) COPYDATASTRUCT{};
    data->dwData = kCaptureReportCopyData;
    data->cbData = static_cast<DWORD>(size);
    data->lpData = payload;
    if (!SendMessageTimeoutA(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(data),
                             SMTO_ABORTIFHUNG | SMTO_ERRORONEXIT, kCopyDataTimeoutMs, nullptr) &&
        GetLastError() == ERROR_TIMEOUT) {
        // A window of this process still gets the message once its thread comes round to it, and reads
        // the record and the payload where they are (only other processes get a copy): they must stay.
        block.release();
    }
}

void RunCapture() {
    std::string path;
    const int result = CaptureScreen(path);
    ReportCapture(result, path);
    Report(kMsgResultCapture, result);
}

// The program that attached the watch may see the screen scaled (the Activator is per-monitor aware,
// but another program that loads the library may declare no DPI awareness, or only the system's): this
// thread sees it in physical pixels, so that a code's lines are one pixel each on the controller's
// monitor and a capture has the monitor's own size. Before Windows 10 1607 there is no per-thread
// awareness, and the program's stands.
void SeePhysicalPixels() noexcept {
    using SetAwareness = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
    HMODULE user = GetModuleHandleW(L"user32.dll");
    const FARPROC found = user ? GetProcAddress(user, "SetThreadDpiAwarenessContext") : nullptr;
    const auto set = reinterpret_cast<SetAwareness>(reinterpret_cast<void*>(found));
    if (set && !set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2))
        set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
}

} // namespace

void RunHookAction(HookAction action) {
    if (action == HookAction::kCapture) {
        RunCapture();
        return;
    }
    CModeAction mode{};
    if (ModeActionOf(action, mode))
        Report(mode.resultMessage, EmitLineCode(mode.code));
}

CActionQueue::CActionQueue() noexcept
    : m_wake(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      m_stop(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

bool CActionQueue::Request(HookAction action) noexcept {
    if (!IsReady() || action == HookAction::kNone)
        return false;
    int idle = 0;
    if (!m_busy.compare_exchange_strong(idle, 1))
        return false;
    m_pending.store(action);
    SetEvent(m_wake);
    return true;
}

void CActionQueue::Run() {
    if (!IsReady())
        return;
    SeePhysicalPixels();
    for (;;) {
        // With both set, the stop comes first: WaitForMultipleObjects reports the lowest index.
        HANDLE events[2] = {m_stop, m_wake};
        if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
            return;
        try {
            RunHookAction(m_pending.load());
        } catch (...) {
        }
        m_busy.store(0);
    }
}

void CActionQueue::Stop() noexcept {
    if (m_stop)
        SetEvent(m_stop);
}
