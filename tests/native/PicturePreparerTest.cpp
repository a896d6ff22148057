// The preparing of pictures in the background, driven by makers that block until the test releases
// them: which decodings run beside which, how urgent each job's thread is, what an abandoned job still
// does, which failures are remembered. No sleeps: every wait is for something a job does, with a
// deadline only to fail instead of hanging.

#include "display/PicturePreparer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <numeric>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Urgency = CJobUrgency;

// What the test's maker does for a picture: the bytes it asks a turn for, whether it then waits until
// released, and what it answers.
struct CPicture {
    std::uint64_t bytes = 100;
    bool blocks = false;
    CPictureResult result = CPictureResult::kMade;
};

CPictureEntry Entry(const std::wstring& name, std::uint64_t length = 1) {
    return {name, length, 7};
}

// Runs each job on a thread of its own (held back while `hold`), makes `pictures`, and logs what the
// makers and the test did.
class CRig : public CJobExecutor {
public:
    std::map<std::wstring, CPicture> pictures;
    bool hold = false;
    int started = 0;
    // The most that the decodings under way held at once beyond the largest of them.
    std::uint64_t beyondLargest = 0;

    ~CRig() {
        Go();
        for (std::thread& thread : m_threads)
            thread.join();
    }
    bool Run(std::function<void(CJobThread&)> work, Urgency urgency) noexcept override {
        ++started;
        auto thread = std::make_shared<CThread>(*this, urgency);
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        m_all.push_back(thread);
        m_queued.push_back([thread, work = std::move(work)] {
            t_current = thread.get();
            work(*thread);
        });
        if (!hold)
            Go();
        return true;
    }
    void Go() {
        for (auto& work : m_queued)
            m_threads.emplace_back(std::move(work));
        m_queued.clear();
    }
    CPicturePreparer::CFrameMaker Maker() {
        return [this](const CPictureEntry& entry, const CStopSignal&,
                      const CPicturePreparer::CDecodingTurn& turn, CDibImage& frame, CDibImage&) {
            CPicture picture;
            {
                std::lock_guard<std::recursive_mutex> lock(m_mutex);
                picture = pictures.at(entry.path);
                t_current->name = entry.path;
                Log(L"ask " + entry.path);
            }
            if (!turn(picture.bytes))
                return CPictureResult::kPassing;
            {
                std::lock_guard<std::recursive_mutex> lock(m_mutex);
                Log(L"decode " + entry.path);
                m_decoding.push_back(picture.bytes);
                const std::uint64_t all =
                    std::accumulate(m_decoding.begin(), m_decoding.end(), std::uint64_t{0});
                beyondLargest =
                    std::max(beyondLargest, all - *std::max_element(m_decoding.begin(), m_decoding.end()));
            }
            if (picture.blocks)
                WaitUntil([&] { return Logged(L"release " + entry.path); });
            std::lock_guard<std::recursive_mutex> lock(m_mutex);
            m_decoding.erase(std::find(m_decoding.begin(), m_decoding.end(), picture.bytes));
            if (picture.result == CPictureResult::kMade)
                frame.Create(kDibTrueColour, 1, 1);
            return picture.result;
        };
    }
    void Release(const std::wstring& name) {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        Log(L"release " + name);
    }
    void WaitUntil(const std::function<bool()>& condition) {
        std::unique_lock<std::recursive_mutex> lock(m_mutex);
        if (!m_changed.wait_for(lock, 20s, condition))
            ADD_FAILURE() << "waited in vain";
    }
    // Where `line` stands in the log; -1 when it is not there.
    int At(const std::wstring& line) {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        const auto at = std::find(m_log.begin(), m_log.end(), line);
        return at == m_log.end() ? -1 : static_cast<int>(at - m_log.begin());
    }
    bool Logged(const std::wstring& line) { return At(line) >= 0; }
    // The urgencies that the thread of `name`'s job was given, in order, the one it started with first.
    std::vector<Urgency> UrgenciesOf(const std::wstring& name) {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        for (const auto& thread : m_all)
            if (thread->name == name)
                return thread->urgencies;
        return {Urgency::kAhead};
    }
    Urgency UrgencyOf(const std::wstring& name) { return UrgenciesOf(name).back(); }

private:
    struct CThread : CJobThread {
        CThread(CRig& rig, Urgency urgency) : rig(rig), urgencies{urgency} {}
        void SetUrgency(Urgency urgency) noexcept override {
            std::lock_guard<std::recursive_mutex> lock(rig.m_mutex);
            urgencies.push_back(urgency);
            rig.m_changed.notify_all();
        }
        CRig& rig;
        std::vector<Urgency> urgencies;
        std::wstring name;
    };
    void Log(const std::wstring& line) {
        m_log.push_back(line);
        m_changed.notify_all();
    }

    static inline thread_local CThread* t_current = nullptr;
    std::recursive_mutex m_mutex;
    std::condition_variable_any m_changed;
    std::vector<std::shared_ptr<CThread>> m_all;
    std::vector<std::function<void()>> m_queued;
    std::vector<std::thread> m_threads;
    std::vector<std::uint64_t> m_decoding;
    std::vector<std::wstring> m_log;
};

} // namespace

TEST(PicturePreparer,
     TheWaitedForPictureStartsBesideAbandonedOnesWithinTheAllowanceAndNeverWaitsOnALoweredOne) {
    CDecodingTurns turns;
    std::atomic<int> closedHeard{0};
    {
        CRig rig;
        rig.pictures = {
            {L"a", {100, true}}, {L"b", {100, true}}, {L"c", {60, true}}, {L"d", {200, true}}, {L"z", {}}};
        // A window that closes while its picture decodes: its job holds the turn on.
        CPicturePreparer closed(rig, turns);
        closed.Reset([&] { ++closedHeard; }, rig.Maker(), 2);
        closed.Want(Entry(L"a"), {});
        rig.WaitUntil([&] { return rig.Logged(L"decode a"); });
        closed.Stop();
        // The window opened anew: b fits beside a (100 beyond the largest, within 150); c would not (160)
        // and waits, and meanwhile the jobs that hold the turns it waits for run as urgently as c.
        CPicturePreparer opened(rig, turns);
        opened.Reset([] {}, rig.Maker(), 2, 0, 150);
        opened.Want(Entry(L"b"), {});
        rig.WaitUntil([&] { return rig.Logged(L"decode b"); });
        EXPECT_EQ(rig.UrgencyOf(L"b"), Urgency::kWaitedFor);
        opened.Want(Entry(L"c"), {});
        rig.WaitUntil([&] {
            return rig.UrgencyOf(L"a") == Urgency::kWaitedFor && rig.UrgencyOf(L"b") == Urgency::kWaitedFor;
        });
        // c abandoned while it waits, z before its thread even started; d fits once a is done (300 - 200).
        rig.hold = true;
        opened.Want(Entry(L"z"), {});
        opened.Want(Entry(L"d"), {});
        rig.Go();
        rig.WaitUntil([&] { return rig.UrgencyOf(L"c") == Urgency::kAbandoned && rig.Logged(L"ask d"); });
        EXPECT_FALSE(opened.WaitForWanted(0ms).wanted) << "d still waits";
        rig.Release(L"a");
        rig.WaitUntil([&] { return rig.Logged(L"decode d") && rig.UrgencyOf(L"a") == Urgency::kAbandoned; });
        EXPECT_GT(rig.At(L"decode d"), rig.At(L"release a"));
        EXPECT_FALSE(rig.Logged(L"decode c"));
        EXPECT_FALSE(rig.Logged(L"ask z"));
        // a was lowered once, when it gave back its turn.
        const std::vector<Urgency> a = rig.UrgenciesOf(L"a");
        EXPECT_EQ(std::count(a.begin(), a.end(), Urgency::kAbandoned), 1);
        rig.Release(L"b");
        rig.Release(L"d");
        EXPECT_EQ(opened.WaitForWanted(20s).wanted, std::optional<bool>(true));
        CDibImage frame;
        EXPECT_TRUE(opened.Take(Entry(L"d"), frame));
        EXPECT_FALSE(opened.Take(Entry(L"b"), frame)) << "an abandoned job's frame is dropped";
        EXPECT_EQ(rig.beyondLargest, 100u);
    }
    EXPECT_EQ(closedHeard, 0) << "a closed window heard of its job";
}

TEST(PicturePreparer, OnlyLastingFailuresAreRememberedAndEachForAsLongAsItHolds) {
    struct Case {
        CPictureResult result;
        bool afterNextVisit; // still passed over once the user moves on
        bool afterNewLayout; // still passed over after F, S or another monitor
    };
    for (const Case& c :
         {Case{CPictureResult::kPassing, false, false}, Case{CPictureResult::kNotAPicture, true, true},
          Case{CPictureResult::kBeyondBound, true, true}, Case{CPictureResult::kDamaged, true, false}}) {
        CDecodingTurns turns;
        CRig rig;
        rig.pictures = {{L"f", {100, false, c.result}}};
        CPicturePreparer preparer(rig, turns);
        preparer.Reset([] {}, rig.Maker(), 2);
        // Whether wanting `entry` starts a job; it fails.
        const auto tries = [&](const CPictureEntry& entry) {
            const int before = rig.started;
            preparer.Want(entry, {});
            const bool tried = rig.started > before;
            if (tried) {
                EXPECT_EQ(preparer.WaitForWanted(20s).wanted, std::optional<bool>(false));
            }
            preparer.Want(std::nullopt, {});
            return tried;
        };
        const std::string what = "result " + std::to_string(static_cast<int>(c.result));
        ASSERT_TRUE(tries(Entry(L"f"))) << what;
        EXPECT_FALSE(tries(Entry(L"f"))) << what << ": tried again at once";
        preparer.ForgetPassingFailures();
        EXPECT_EQ(preparer.HasFailed(Entry(L"f")), c.afterNextVisit) << what;
        preparer.ForgetLayoutFailures();
        EXPECT_EQ(preparer.HasFailed(Entry(L"f")), c.afterNewLayout) << what;
        // The file as its listing describes it after a change is another file.
        EXPECT_TRUE(tries(Entry(L"f", 2))) << what;
    }
}
