#include "keyhook/KeyWatch.h"

#include "framework/Handles.h"
#include "keyhook/HookActions.h"
#include "keyhook/HookProcedure.h"
#include "keyhook/SharedState.h"

#include <memory>
#include <mutex>
#include <utility>

namespace {

// What the hook thread tells its starter.
struct CHookThreadStart {
    CActionQueue& actions;
    CKernelHandle ready;
    HHOOK hook = nullptr;
};

DWORD WINAPI HookThreadMain(void* context) {
    auto& start = *static_cast<CHookThreadStart*>(context);
    // The queue exists before the starter learns of the thread, so its WM_QUIT cannot get lost.
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    CHookThreadScope hookThread(start.actions);
    CHookHandle hook(SetWindowsHookExW(WH_KEYBOARD_LL, KeyHookProc, KeyHookInstance(), 0));
    start.hook = hook.get();
    SetEvent(start.ready); // `start` is gone from here on
    if (!hook)
        return 1;
    // The system calls the hook procedure from within GetMessage; nothing else arrives but WM_QUIT.
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    }
    return 0;
}

DWORD WINAPI ActionThreadMain(void* context) {
    static_cast<CActionQueue*>(context)->Run();
    return 0;
}

// One started watch: its threads, the action queue they share, and a reference to the module that
// holds their code.
class CRunningWatch {
public:
    CRunningWatch() = default;
    ~CRunningWatch() { Stop(); }
    CRunningWatch(const CRunningWatch&) = delete;
    CRunningWatch& operator=(const CRunningWatch&) = delete;

    HHOOK Start(ThreadStarter startThread);
    void Stop();

private:
    CLibrary m_pin;
    CActionQueue m_actions;
    CKernelHandle m_actionThread;
    CKernelHandle m_hookThread;
    DWORD m_hookThreadId = 0;
};

HHOOK CRunningWatch::Start(ThreadStarter startThread) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&KeyHookProc),
                            &module))
        return nullptr;
    m_pin.reset(module);
    if (!m_actions.IsReady())
        return nullptr;
    m_actionThread.reset(startThread(ActionThreadMain, &m_actions, nullptr));
    if (!m_actionThread)
        return nullptr;

    CHookThreadStart start{m_actions, CKernelHandle(CreateEventA(nullptr, TRUE, FALSE, nullptr))};
    if (start.ready)
        m_hookThread.reset(startThread(HookThreadMain, &start, &m_hookThreadId));
    if (!m_hookThread) {
        Stop();
        return nullptr;
    }
    // The thread reports whether the system took the hook; it ends without a report only if it breaks.
    HANDLE reported[2] = {start.ready, m_hookThread};
    WaitForMultipleObjects(2, reported, FALSE, INFINITE);
    if (!start.hook)
        Stop();
    return start.hook;
}

void CRunningWatch::Stop() {
    if (m_hookThread) {
        // Posted again until the thread has ended: a post fails while the thread's queue is full.
        do {
            PostThreadMessageW(m_hookThreadId, WM_QUIT, 0, 0);
        } while (!WaitHandlingSentMessages(m_hookThread, 500));
        m_hookThread.reset();
    }
    if (m_actionThread) {
        m_actions.Stop();
        WaitHandlingSentMessages(m_actionThread, INFINITE);
        m_actionThread.reset();
    }
    // Our caller holds its own reference to the module, so this never unloads the code it runs in.
    m_pin.reset();
}

std::mutex g_lock;
// Never destroyed at unload: when the process ends, its threads are gone before the library's
// destructors run, and nothing may wait for them then.
CRunningWatch* g_watch = nullptr;

void StopKeyWatch() {
    std::unique_ptr<CRunningWatch> watch;
    {
        std::lock_guard lock(g_lock);
        watch.reset(std::exchange(g_watch, nullptr));
    }
    if (watch)
        watch->Stop();
}

HHOOK StartKeyWatch(ThreadStarter startThread) {
    StopKeyWatch();
    auto watch = std::make_unique<CRunningWatch>();
    HHOOK hook = watch->Start(startThread);
    if (!hook)
        return nullptr;
    std::unique_ptr<CRunningWatch> other;
    {
        std::lock_guard lock(g_lock);
        other.reset(std::exchange(g_watch, watch.release()));
    }
    // A watch that another thread started meanwhile: one watch runs at a time.
    if (other)
        other->Stop();
    return hook;
}

} // namespace

bool WaitHandlingSentMessages(HANDLE thread, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        // Delivers the sent messages; posted ones stay queued for the thread's own loop. Done before each
        // wait: a message that came before it would not wake it.
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        DWORD left = INFINITE;
        if (timeoutMs != INFINITE) {
            const ULONGLONG now = GetTickCount64();
            left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        }
        switch (MsgWaitForMultipleObjectsEx(1, &thread, left, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE)) {
        case WAIT_OBJECT_0 + 1:
            break;
        case WAIT_TIMEOUT:
            return false;
        default:
            return true;
        }
    }
}

HANDLE StartThread(LPTHREAD_START_ROUTINE routine, void* context, DWORD* threadId) {
    return CreateThread(nullptr, 0, routine, context, 0, threadId);
}

int AttachKeyWatch(HWND window, ThreadStarter startThread) {
    DetachKeyWatch();
    CKeyHookShared& shared = KeyHookShared();
    StoreShared(shared.targetWindow, window);
    HHOOK hook = StartKeyWatch(startThread);
    StoreShared(shared.hook, hook);
    return hook ? 1 : 0;
}

void DetachKeyWatch() {
    CKeyHookShared& shared = KeyHookShared();
    if (!LoadShared(shared.hook))
        return;
    StoreShared(shared.targetWindow, HWND{});
    StopKeyWatch();
    StoreShared(shared.hook, HHOOK{});
    for (CHookHotKey& mode : shared.modes)
        StoreShared(mode, CHookHotKey{});
}
