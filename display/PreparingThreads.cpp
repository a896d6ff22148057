#include "display/PreparingThreads.h"

#include <atomic>
#include <memory>
#include <utility>

namespace {

// The jobs of the process whose threads have not yet let go of everything they hold.
std::atomic<int> g_runningJobs{0};

int PriorityOf(CJobUrgency urgency) {
    switch (urgency) {
    case CJobUrgency::kWaitedFor:
        return THREAD_PRIORITY_NORMAL;
    case CJobUrgency::kAhead:
        return THREAD_PRIORITY_BELOW_NORMAL;
    case CJobUrgency::kAbandoned:
        break;
    }
    return THREAD_PRIORITY_LOWEST;
}

// The thread that runs a job: its own handle, so that the window's thread can change its priority.
class CPoolJobThread final : public CJobThread {
public:
    explicit CPoolJobThread(CJobUrgency urgency) {
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &m_handle,
                        THREAD_SET_INFORMATION | THREAD_QUERY_INFORMATION, FALSE, 0);
        SetUrgency(urgency);
    }
    ~CPoolJobThread() {
        // A pool thread goes back to the pool as it came.
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
        if (m_handle)
            CloseHandle(m_handle);
    }
    CPoolJobThread(const CPoolJobThread&) = delete;
    CPoolJobThread& operator=(const CPoolJobThread&) = delete;

    void SetUrgency(CJobUrgency urgency) noexcept override {
        if (m_handle)
            SetThreadPriority(m_handle, PriorityOf(urgency));
    }

private:
    HANDLE m_handle = nullptr;
};

struct CWork {
    std::function<void(CJobThread&)> work;
    CJobUrgency urgency;
};

void RunWork(void* parameter) noexcept {
    std::unique_ptr<CWork> work(static_cast<CWork*>(parameter));
    try {
        CPoolJobThread thread(work->urgency);
        work->work(thread);
    } catch (...) {
        // The work ends here; its job says so.
    }
    work.reset();
    --g_runningJobs;
}

void CALLBACK PoolCallback(PTP_CALLBACK_INSTANCE, void* parameter) {
    RunWork(parameter);
}

DWORD WINAPI ThreadStart(void* parameter) {
    RunWork(parameter);
    return 0;
}

class CPoolExecutor final : public CJobExecutor {
public:
    bool Run(std::function<void(CJobThread&)> work, CJobUrgency urgency) noexcept override {
        CWork* parameter = nullptr;
        try {
            parameter = new CWork{std::move(work), urgency};
        } catch (...) {
            return false;
        }
        ++g_runningJobs;
        if (TrySubmitThreadpoolCallback(&PoolCallback, parameter, nullptr))
            return true;
        if (CKernelHandle thread{CreateThread(nullptr, 0, &ThreadStart, parameter, 0, nullptr)})
            return true;
        --g_runningJobs;
        delete parameter;
        return false;
    }
};

} // namespace

CJobExecutor& ProcessJobExecutor() {
    static auto* executor = new CPoolExecutor;
    return *executor;
}

CPicturePreparer::CAnnouncer AnnounceTo(HWND window) {
    return [window] { PostMessageW(window, kMsgPicturesReady, 0, 0); };
}

void EndProcessIfPreparing(int exitCode) {
    if (g_runningJobs > 0)
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
}

void CFolderChanges::Watch(const std::wstring& folder) {
    m_notification.reset(FindFirstChangeNotificationW(folder.c_str(), FALSE,
                                                      FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE |
                                                          FILE_NOTIFY_CHANGE_LAST_WRITE));
}

bool CFolderChanges::Changed() {
    if (!m_notification || WaitForSingleObject(m_notification, 0) != WAIT_OBJECT_0)
        return false;
    FindNextChangeNotification(m_notification);
    return true;
}
