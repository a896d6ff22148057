#include "display/PicturePreparer.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>

// Shared by the preparer and its jobs: how a finished job tells the window, as long as the window
// wants to hear of it, and how the window's thread waits for one.
struct CPicturePreparer::CMailbox {
    std::mutex mutex;
    std::condition_variable finished;
    CAnnouncer announce;
    // The preparer's jobs still making their frames, the abandoned ones included.
    std::atomic<int> making{0};

    void Announce() noexcept {
        try {
            std::lock_guard<std::mutex> lock(mutex);
            if (announce)
                announce();
        } catch (...) {
            // Not announced: the window learns of the job with the next one.
        }
        finished.notify_all();
    }
};

// Shared by the preparer and the job's thread. The thread writes `result`, `frame` and `twin` before it
// sets `done`; the window's thread reads them only after it has seen `done`, and by then the job no
// longer counts as making.
struct CPicturePreparer::CJob final : CDecodingTurns::CHolder {
    CPictureEntry entry;
    CFrameMaker maker;
    std::shared_ptr<CMailbox> mailbox;
    CDecodingTurns* turns = nullptr;
    CStopSignal stop{false};
    // What the job's decoding may hold beside others (DecodingTurns.h).
    std::uint64_t allowance = 0;
    std::atomic<bool> waitedFor{false};
    std::atomic<bool> done{false};
    CPictureResult result = CPictureResult::kPassing;
    CDibImage frame;
    CDibImage twin;

    bool IsWaitedFor() const noexcept override { return waitedFor; }
    void SetBlocking(bool blocking) noexcept override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_blocking = blocking;
        ApplyUrgency();
    }

    void SetWaitedFor(bool wanted) noexcept {
        if (waitedFor.exchange(wanted) == wanted)
            return;
        std::lock_guard<std::mutex> lock(m_mutex);
        ApplyUrgency();
    }

    // Stops the job where it can. It keeps its urgency while it holds a turn: someone may wait for it.
    void Abandon() noexcept {
        stop = true;
        waitedFor = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_abandoned = true;
            ApplyUrgency();
        }
        // A turn waited for is given up.
        turns->Reconsider();
    }

    void Run(CJobThread& thread, CJobUrgency urgency) noexcept {
        Attach(&thread, urgency);
        CPictureResult made = CPictureResult::kPassing;
        try {
            // A job abandoned before it started never runs its maker.
            if (!stop) {
                // The frame's memory (a frame dropped, handed over) is not counted: every job makes a
                // frame, in that memory or in fresh.
                const CDecodingTurn turn = [&](std::uint64_t bytes) { return TakeTurn(bytes); };
                made = maker(entry, stop, turn, frame, twin);
            }
        } catch (...) {
            made = CPictureResult::kPassing;
        }
        GiveTurn();
        if (made != CPictureResult::kMade) {
            frame.Free();
            twin.Free();
        }
        result = made;
        Attach(nullptr, urgency);
    }

    // On the job's thread, once it let go of everything but its frame: the window may take it.
    void Finish() noexcept {
        --mailbox->making;
        done.store(true, std::memory_order_release);
        mailbox->Announce();
    }

private:
    CJobUrgency Urgency() const {
        if (m_holdsTurn && m_blocking)
            return CJobUrgency::kWaitedFor;
        if (m_abandoned && !m_holdsTurn)
            return CJobUrgency::kAbandoned;
        return waitedFor ? CJobUrgency::kWaitedFor : CJobUrgency::kAhead;
    }
    // With m_mutex held.
    void ApplyUrgency() noexcept {
        if (!m_thread || Urgency() == m_applied)
            return;
        m_applied = Urgency();
        m_thread->SetUrgency(m_applied);
    }
    void Attach(CJobThread* thread, CJobUrgency urgency) noexcept {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_thread = thread;
        m_applied = urgency;
        ApplyUrgency();
    }

    bool TakeTurn(std::uint64_t bytes) {
        if (!m_taken) {
            if (!turns->Take(*this, bytes, allowance, stop))
                return false;
            m_taken = true;
            std::lock_guard<std::mutex> lock(m_mutex);
            m_holdsTurn = true;
            ApplyUrgency();
        }
        return !stop;
    }
    void GiveTurn() noexcept {
        if (!m_taken)
            return;
        turns->Give(*this);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_holdsTurn = false;
        ApplyUrgency();
    }

    // Only on the job's thread.
    bool m_taken = false;
    // The job's thread while it runs the job, and what decides its urgency.
    std::mutex m_mutex;
    CJobThread* m_thread = nullptr;
    CJobUrgency m_applied = CJobUrgency::kAhead;
    bool m_abandoned = false;
    bool m_holdsTurn = false;
    bool m_blocking = false;
};

CPicturePreparer::CPicturePreparer(CJobExecutor& executor, CDecodingTurns& turns) noexcept
    : m_executor(executor), m_turns(turns) {}

CPicturePreparer::~CPicturePreparer() {
    Stop();
}

void CPicturePreparer::Reset(CAnnouncer announce, CFrameMaker maker, std::size_t neighbourSlots,
                             std::size_t twinSlots, std::uint64_t sharedBytes) {
    AbandonAll();
    // The same mailbox: the jobs abandoned here still announce their end, which may let others start.
    if (!m_mailbox)
        m_mailbox = std::make_shared<CMailbox>();
    {
        std::lock_guard<std::mutex> lock(m_mailbox->mutex);
        m_mailbox->announce = std::move(announce);
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
        m_mailbox->announce = nullptr;
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

bool CPicturePreparer::HasFailed(const CPictureEntry& entry) const {
    const auto failed = m_failed.find(entry.path);
    return (failed != m_failed.end() && failed->second.entry == entry) ||
           std::find(m_passing.begin(), m_passing.end(), entry) != m_passing.end();
}

void CPicturePreparer::ForgetPassingFailures() {
    m_passing.clear();
}

void CPicturePreparer::ForgetLayoutFailures() {
    std::erase_if(m_failed, [](const auto& failed) { return !failed.second.ofFile; });
    m_passing.clear();
}

void CPicturePreparer::Remember(const CPictureEntry& entry, CPictureResult result) {
    if (result == CPictureResult::kMade)
        return;
    if (result == CPictureResult::kPassing) {
        if (std::find(m_passing.begin(), m_passing.end(), entry) == m_passing.end())
            m_passing.push_back(entry);
        return;
    }
    m_failed[entry.path] = {entry, IsFileFailure(result)};
}

bool CPicturePreparer::IsNeighbour(const CPictureEntry& entry) const {
    return std::find(m_neighbours.begin(), m_neighbours.end(), entry) != m_neighbours.end();
}

bool CPicturePreparer::IsPrepared(const CPictureEntry& entry) const {
    return std::any_of(m_prepared.begin(), m_prepared.end(),
                       [&](const CPrepared& prepared) { return prepared.entry == entry; });
}

std::shared_ptr<CPicturePreparer::CJob> CPicturePreparer::JobFor(const CPictureEntry& entry) const {
    const auto job = std::find_if(m_jobs.begin(), m_jobs.end(),
                                  [&](const auto& candidate) { return candidate->entry == entry; });
    return job != m_jobs.end() ? *job : nullptr;
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
    UpdateUrgencies();
    // A spare frame is kept only for a job to come.
    if (m_jobs.empty() && !m_neighboursHeld && m_mailbox->making == 0)
        m_spare.Free();
}

void CPicturePreparer::StartWantedAndNeighbours() {
    if (m_wanted && !IsPrepared(*m_wanted) && !JobFor(*m_wanted) && !HasFailed(*m_wanted)) {
        // The picture that the window waits for comes first: the neighbours' jobs stop where they can.
        AbandonJobs();
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

void CPicturePreparer::UpdateUrgencies() {
    for (const auto& job : m_jobs)
        job->SetWaitedFor(IsWanted(job->entry));
    m_turns.Reconsider();
}

void CPicturePreparer::StartJob(const CPictureEntry& entry) {
    auto job = std::make_shared<CJob>();
    const bool wanted = IsWanted(entry);
    job->entry = entry;
    job->maker = m_maker;
    job->mailbox = m_mailbox;
    job->turns = &m_turns;
    job->waitedFor = wanted;
    job->allowance = wanted ? m_sharedBytes : 0;
    // The memory of a frame dropped: the picture waited for makes a frame of the same size in it without
    // touching fresh memory, which takes a while here. That counts where decodings may share (short
    // ones); a long one would hold it for nothing the whole time. A neighbour's frame has time to be
    // made.
    if (wanted && m_sharedBytes > 0)
        job->frame.Swap(m_spare);
    m_spare.Free();
    m_jobs.push_back(job);
    ++m_mailbox->making;
    const CJobUrgency urgency = wanted ? CJobUrgency::kWaitedFor : CJobUrgency::kAhead;
    const bool running = m_executor.Run(
        [job, urgency](CJobThread& thread) {
            job->Run(thread, urgency);
            job->Finish();
        },
        urgency);
    if (!running) {
        // No thread to be had: the picture cannot be made now, and the window is never kept waiting.
        job->frame.Free();
        job->Finish();
    }
}

void CPicturePreparer::LetNeighboursGo() {
    if (!m_neighboursHeld)
        return;
    m_neighboursHeld = false;
    StartJobs();
}

CPicturePreparer::COutcome CPicturePreparer::WaitForWanted(std::chrono::milliseconds bound) {
    if (const std::shared_ptr<CJob> job = m_wanted ? JobFor(*m_wanted) : nullptr) {
        std::unique_lock<std::mutex> lock(m_mailbox->mutex);
        m_mailbox->finished.wait_for(lock, bound, [&] { return job->done.load(std::memory_order_acquire); });
    }
    return Collect();
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
        if (finished->result != CPictureResult::kMade) {
            Remember(finished->entry, finished->result);
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
