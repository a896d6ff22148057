#include "display/PicturePreparer.h"

#include "display/JpegHeader.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

// The jobs of the process whose threads have not yet let go of everything they hold.
std::atomic<int> g_runningJobs{0};

// The decodings under way in the process, by the bytes that their decoders hold (JpegHeader.h). One
// runs at a time: a second one would hold a second picture's worth of the decoder's buffers and
// compete with the first for the processor. A job given an allowance (the picture that a window waits
// for) may start beside others when their decoders together hold no more than the largest of them and
// the allowance: a decoding that is no longer wanted cannot be stopped half way, and the picture
// wanted need not wait for it. Never destroyed: an abandoned job may still hold a turn while the
// program ends.
class CDecodings {
public:
    static CDecodings& Get() {
        static auto* decodings = new CDecodings;
        return *decodings;
    }

    // Waits for a turn, or, with a stop signal, until it is set (false).
    bool Take(std::uint64_t bytes, std::uint64_t allowance, const CStopSignal* stop) {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!Fits(bytes, allowance)) {
            if (stop && *stop)
                return false;
            m_changed.wait_for(lock, std::chrono::milliseconds(5));
        }
        m_running.push_back(bytes);
        return true;
    }
    void Give(std::uint64_t bytes) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            const auto turn = std::find(m_running.begin(), m_running.end(), bytes);
            if (turn != m_running.end())
                m_running.erase(turn);
        }
        m_changed.notify_all();
    }

private:
    bool Fits(std::uint64_t bytes, std::uint64_t allowance) const {
        if (m_running.empty())
            return true;
        if (allowance == 0)
            return false;
        std::uint64_t all = bytes;
        std::uint64_t largest = bytes;
        for (std::uint64_t running : m_running) {
            all += running;
            largest = std::max(largest, running);
        }
        return all - largest <= allowance;
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::uint64_t> m_running;
};

// A decoding turn held until it goes.
class CHeldTurn {
public:
    // `heldBytes`: what the job holds already (a frame's memory), counted with its decoding.
    CHeldTurn(std::uint64_t allowance, const CStopSignal* stop, std::uint64_t heldBytes = 0)
        : m_allowance(allowance), m_stop(stop), m_heldBytes(heldBytes) {}
    ~CHeldTurn() {
        if (m_taken)
            CDecodings::Get().Give(m_bytes);
    }
    CHeldTurn(const CHeldTurn&) = delete;
    CHeldTurn& operator=(const CHeldTurn&) = delete;

    // For a maker: false when stopped meanwhile.
    bool Take(std::uint64_t bytes) {
        if (!m_taken && CDecodings::Get().Take(bytes + m_heldBytes, m_allowance, m_stop)) {
            m_taken = true;
            m_bytes = bytes + m_heldBytes;
        }
        return m_taken && !(m_stop && *m_stop);
    }

private:
    std::uint64_t m_allowance;
    const CStopSignal* m_stop;
    std::uint64_t m_heldBytes;
    bool m_taken = false;
    std::uint64_t m_bytes = 0;
};

} // namespace

// Shared by the preparer and its jobs: where a finished job announces itself, as long as the window
// wants to hear of it.
struct CPicturePreparer::CMailbox {
    std::mutex mutex;
    HWND window = nullptr;
    // The preparer's jobs still making their frames, the abandoned ones included.
    std::atomic<int> making{0};

    void Announce() noexcept {
        try {
            std::lock_guard<std::mutex> lock(mutex);
            if (window)
                PostMessageW(window, kMsgPicturesReady, 0, 0);
        } catch (...) {
            // Not announced: the window learns of the job with the next one.
        }
    }
};

// Shared by the preparer and the job's thread. The thread writes `made` and `frame` before it sets
// `done`; the window's thread reads them only after it has seen `done`.
struct CPicturePreparer::CJob {
    CPictureEntry entry;
    CFrameMaker maker;
    std::shared_ptr<CMailbox> mailbox;
    CStopSignal stop{false};
    // What the job's decoding may hold beside others (CDecodings).
    std::uint64_t allowance = 0;
    std::atomic<bool> done{false};
    bool made = false;
    CDibImage frame;
    CDibImage twin;
    // The job's thread while it runs the job.
    std::mutex threadMutex;
    HANDLE thread = nullptr;

    // Stops the job where it can; until then it gives way to the others.
    void Abandon() noexcept {
        stop = true;
        try {
            std::lock_guard<std::mutex> lock(threadMutex);
            if (thread)
                SetThreadPriority(thread, THREAD_PRIORITY_IDLE);
        } catch (...) {
            // It runs on as it was.
        }
    }

    // Registers the calling thread as the job's (true), or lets it go (false).
    void SetThread(bool running) noexcept {
        try {
            std::lock_guard<std::mutex> lock(threadMutex);
            if (thread)
                CloseHandle(thread);
            thread = nullptr;
            if (running)
                DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread,
                                THREAD_SET_INFORMATION | THREAD_QUERY_INFORMATION, FALSE, 0);
        } catch (...) {
            // Not registered: an abandoned job runs on at its priority.
        }
    }

    void Run() noexcept {
        try {
            CHeldTurn held(allowance, &stop, frame.GetImageSize());
            const CDecodingTurn turn = [&](std::uint64_t bytes) { return held.Take(bytes); };
            // A job abandoned before its turn never starts decoding.
            made = !stop && maker(entry, stop, turn, frame, twin);
        } catch (...) {
            made = false;
        }
        if (!made) {
            frame.Free();
            twin.Free();
        }
        done.store(true, std::memory_order_release);
    }

    static void CALLBACK PoolThread(PTP_CALLBACK_INSTANCE, void* parameter) {
        // The window's thread comes first.
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
        Thread(parameter);
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
    }

    static DWORD WINAPI Thread(void* parameter) {
        // The thread's own reference: the job outlives the preparer if it must.
        std::unique_ptr<std::shared_ptr<CJob>> job(static_cast<std::shared_ptr<CJob>*>(parameter));
        (*job)->SetThread(true);
        (*job)->Run();
        (*job)->SetThread(false);
        --(*job)->mailbox->making;
        (*job)->mailbox->Announce();
        job.reset();
        --g_runningJobs;
        return 0;
    }
};

CPicturePreparer::~CPicturePreparer() {
    Stop();
}

void CPicturePreparer::Reset(HWND window, CFrameMaker maker, std::size_t neighbourSlots,
                             std::size_t twinSlots, std::uint64_t sharedBytes) {
    AbandonAll();
    // The same mailbox: the jobs abandoned here still announce their end, which may let others start.
    if (!m_mailbox)
        m_mailbox = std::make_shared<CMailbox>();
    {
        std::lock_guard<std::mutex> lock(m_mailbox->mutex);
        m_mailbox->window = window;
    }
    m_maker = std::move(maker);
    m_neighbourSlots = neighbourSlots;
    m_twinSlots = twinSlots;
    m_sharedBytes = sharedBytes;
}

void CPicturePreparer::Remake(CFrameMaker maker, const CFrameTurner& turn) {
    AbandonJobs();
    m_maker = std::move(maker);
    std::erase_if(m_prepared, [&](CPrepared& prepared) { return !turn(*prepared.frame, *prepared.twin); });
    StartJobs();
}

void CPicturePreparer::Stop() {
    if (m_mailbox) {
        std::lock_guard<std::mutex> lock(m_mailbox->mutex);
        m_mailbox->window = nullptr;
    }
    AbandonAll();
    m_maker = nullptr;
}

void CPicturePreparer::AbandonJobs() {
    for (const auto& job : m_jobs)
        job->Abandon();
    m_jobs.clear();
}

void CPicturePreparer::AbandonAll() {
    m_neighboursHeld = false;
    AbandonJobs();
    m_prepared.clear();
    m_spare.Free();
    m_wanted.reset();
    m_neighbours.clear();
}

bool CPicturePreparer::MakeNow(const CPictureEntry& entry, CDibImage& frame, CDibImage* twin) {
    const CStopSignal never{false};
    CDibImage madeTwin;
    bool made = false;
    try {
        CHeldTurn held(0, nullptr);
        const CDecodingTurn turn = [&](std::uint64_t bytes) { return held.Take(bytes); };
        made = m_maker && m_maker(entry, never, turn, frame, madeTwin);
    } catch (...) {
        made = false;
    }
    if (!made) {
        frame.Free();
        MarkFailed(entry);
    } else if (twin) {
        twin->Swap(madeTwin);
    }
    return made;
}

bool CPicturePreparer::HasFailed(const CPictureEntry& entry) const {
    const auto failed = m_failed.find(entry.path);
    return failed != m_failed.end() && failed->second == entry;
}

void CPicturePreparer::MarkFailed(const CPictureEntry& entry) {
    m_failed[entry.path] = entry;
}

bool CPicturePreparer::IsNeighbour(const CPictureEntry& entry) const {
    return std::find(m_neighbours.begin(), m_neighbours.end(), entry) != m_neighbours.end();
}

bool CPicturePreparer::IsPrepared(const CPictureEntry& entry) const {
    return std::any_of(m_prepared.begin(), m_prepared.end(),
                       [&](const CPrepared& prepared) { return prepared.entry == entry; });
}

bool CPicturePreparer::IsBeingMade(const CPictureEntry& entry) const {
    return std::any_of(m_jobs.begin(), m_jobs.end(), [&](const auto& job) { return job->entry == entry; });
}

void CPicturePreparer::Want(std::optional<CPictureEntry> wanted, std::vector<CPictureEntry> neighbours) {
    m_wanted = std::move(wanted);
    SetNeighbours(std::move(neighbours));
}

void CPicturePreparer::SetNeighbours(std::vector<CPictureEntry> neighbours) {
    std::erase_if(neighbours,
                  [&](const CPictureEntry& entry) { return IsWanted(entry) || HasFailed(entry); });
    m_neighbours.clear();
    for (CPictureEntry& neighbour : neighbours) {
        if (m_neighbours.size() < m_neighbourSlots && !IsNeighbour(neighbour))
            m_neighbours.push_back(std::move(neighbour));
    }
    DropUnwanted();
    StartJobs();
}

void CPicturePreparer::DropUnwanted() {
    const auto unwanted = [&](const CPictureEntry& entry) { return !IsWanted(entry) && !IsNeighbour(entry); };
    std::erase_if(m_jobs, [&](const std::shared_ptr<CJob>& job) {
        if (!unwanted(job->entry))
            return false;
        job->Abandon();
        return true;
    });
    std::erase_if(m_prepared, [&](const CPrepared& prepared) {
        if (!unwanted(prepared.entry))
            return false;
        Recycle(*prepared.frame);
        return true;
    });
    DropSurplusTwins();
}

void CPicturePreparer::DropSurplusTwins() {
    for (CPrepared& prepared : m_prepared) {
        const auto at = std::find(m_neighbours.begin(), m_neighbours.end(), prepared.entry);
        if (at != m_neighbours.end() && static_cast<std::size_t>(at - m_neighbours.begin()) >= m_twinSlots)
            prepared.twin->Free();
    }
}

void CPicturePreparer::Recycle(CDibImage& frame) {
    if (m_spare.IsEmpty())
        m_spare.Swap(frame);
    frame.Free();
}

void CPicturePreparer::StartJobs() {
    if (!m_mailbox || !m_maker)
        return;
    StartWantedAndNeighbours();
    // A spare frame is kept only for a job to come.
    if (m_jobs.empty() && !m_neighboursHeld && m_mailbox->making == 0)
        m_spare.Free();
}

void CPicturePreparer::StartWantedAndNeighbours() {
    if (m_wanted && !IsPrepared(*m_wanted) && !IsBeingMade(*m_wanted) && !HasFailed(*m_wanted)) {
        // The picture that the window waits for comes first: the neighbours' jobs stop where they can.
        for (const auto& job : m_jobs)
            job->Abandon();
        m_jobs.clear();
        StartJob(*m_wanted);
    }
    // Neighbours wait for every job of the window, the abandoned ones included: those announce their
    // end too.
    if (m_neighboursHeld || !m_jobs.empty() || m_mailbox->making > 0)
        return;
    for (const CPictureEntry& neighbour : m_neighbours) {
        if (!IsPrepared(neighbour)) {
            StartJob(neighbour);
            return;
        }
    }
}

void CPicturePreparer::StartJob(const CPictureEntry& entry) {
    auto job = std::make_shared<CJob>();
    job->entry = entry;
    job->maker = m_maker;
    job->mailbox = m_mailbox;
    job->allowance = IsWanted(entry) ? m_sharedBytes : 0;
    // The memory of a frame dropped: the picture waited for makes a frame of the same size in it without
    // touching fresh memory, which takes a while here. That counts where decodings may share (short
    // ones); a long one would hold it for nothing the whole time. A neighbour's frame has time to be
    // made.
    if (IsWanted(entry) && m_sharedBytes > 0)
        job->frame.Swap(m_spare);
    m_spare.Free();
    m_jobs.push_back(job);
    auto* reference = new std::shared_ptr<CJob>(job);
    ++m_mailbox->making;
    ++g_runningJobs;
    // A thread of the process's pool, started long before, takes the job at once.
    if (TrySubmitThreadpoolCallback(&CJob::PoolThread, reference, nullptr))
        return;
    CKernelHandle thread(CreateThread(nullptr, 0, &CJob::Thread, reference, CREATE_SUSPENDED, nullptr));
    if (thread) {
        // The window's thread comes first.
        SetThreadPriority(thread, THREAD_PRIORITY_BELOW_NORMAL);
        ResumeThread(thread);
    } else {
        // No thread to be had: the frame is made here, as the window would have made it before.
        delete reference;
        --m_mailbox->making;
        --g_runningJobs;
        job->Run();
        job->mailbox->Announce();
    }
}

void CPicturePreparer::LetNeighboursGo() {
    if (!m_neighboursHeld)
        return;
    m_neighboursHeld = false;
    StartJobs();
}

bool CPicturePreparer::Take(const CPictureEntry& entry, CDibImage& frame, CDibImage* twin) {
    const auto prepared = std::find_if(m_prepared.begin(), m_prepared.end(),
                                       [&](const CPrepared& candidate) { return candidate.entry == entry; });
    if (prepared == m_prepared.end())
        return false;
    frame.Swap(*prepared->frame);
    if (twin)
        twin->Swap(*prepared->twin);
    m_prepared.erase(prepared);
    return true;
}

void CPicturePreparer::Keep(const CPictureEntry& entry, CDibImage& frame, CDibImage* twin) {
    auto kept = std::make_unique<CDibImage>();
    auto keptTwin = std::make_unique<CDibImage>();
    kept->Swap(frame);
    if (twin)
        keptTwin->Swap(*twin);
    if (kept->IsEmpty() || IsPrepared(entry)) {
        Recycle(*kept);
        return;
    }
    m_prepared.push_back({entry, std::move(kept), std::move(keptTwin)});
    // A job making the same frame is not needed any more.
    std::erase_if(m_jobs, [&](const std::shared_ptr<CJob>& job) {
        if (job->entry != entry)
            return false;
        job->Abandon();
        return true;
    });
}

CPicturePreparer::COutcome CPicturePreparer::Collect() {
    COutcome outcome;
    for (auto job = m_jobs.begin(); job != m_jobs.end();) {
        if (!(*job)->done.load(std::memory_order_acquire)) {
            ++job;
            continue;
        }
        const std::shared_ptr<CJob> finished = *job;
        job = m_jobs.erase(job);
        const bool wanted = IsWanted(finished->entry);
        if (!finished->made) {
            MarkFailed(finished->entry);
            if (wanted)
                outcome.wanted = false;
            else
                outcome.neighbourFailed = true;
            continue;
        }
        auto frame = std::make_unique<CDibImage>();
        auto twin = std::make_unique<CDibImage>();
        frame->Swap(finished->frame);
        twin->Swap(finished->twin);
        m_prepared.push_back({finished->entry, std::move(frame), std::move(twin)});
        if (wanted)
            outcome.wanted = true;
    }
    if (outcome.neighbourFailed)
        std::erase_if(m_neighbours, [&](const CPictureEntry& entry) { return HasFailed(entry); });
    DropSurplusTwins();
    StartJobs();
    return outcome;
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
