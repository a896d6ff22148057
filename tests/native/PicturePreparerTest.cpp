// The preparing of pictures in the background, driven by makers that block until the test releases
// them: which decodings run beside which, how urgent each job's thread is, what an abandoned job still
// does, which failures are remembered. No sleeps: every wait is for something a job does, with a
// deadline only to fail instead of hanging.

#include "display/PicturePreparer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
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

// Runs each job on a thread of its own, makes `pictures`, and logs what the makers and the test did;
// keeps the urgencies given to the thread of each picture's job, from the first.
class CRig : public CJobExecutor {
public:
    struct CThread : CJobThread {
        CThread(CRig& rig, Urgency urgency) : rig(rig), urgencies{urgency} {}
        void SetUrgency(Urgency urgency) noexcept override {
            rig.Note([&] { urgencies.push_back(urgency); });
        }
        CRig& rig;
        std::vector<Urgency> urgencies;
    };
    std::map<std::wstring, CPicture> pictures;
    std::map<std::wstring, std::shared_ptr<CThread>> threads;
    std::vector<std::wstring> log;
    int started = 0;

    bool Run(std::function<void(CJobThread&)> work, Urgency urgency) noexcept override {
        ++started;
        m_threads.emplace_back([thread = std::make_shared<CThread>(*this, urgency), work = std::move(work)] {
            t_thread = thread;
            work(*thread);
        });
        return true;
    }
    CPicturePreparer::CFrameMaker Maker() {
        return [this](const CPictureEntry& entry, const CStopSignal&,
                      const CPicturePreparer::CDecodingTurn& turn, CDibImage& frame, CDibImage&) {
            const CPicture picture = pictures.at(entry.path);
            Note([&] { threads[entry.path] = t_thread, log.push_back(L"ask " + entry.path); });
            if (!turn(picture.bytes))
                return CPictureResult::kPassing;
            Log(L"decode " + entry.path);
            if (picture.blocks)
                WaitUntil([&] { return At(L"release " + entry.path) >= 0; });
            if (picture.result == CPictureResult::kMade)
                frame.Create(kDibTrueColour, 1, 1);
            return picture.result;
        };
    }
    // Makes `change` to what the jobs and the test share, and wakes those who wait for one.
    void Note(const std::function<void()>& change) {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        change();
        m_changed.notify_all();
    }
    void Log(const std::wstring& line) {
        Note([&] { log.push_back(line); });
    }
    void WaitUntil(const std::function<bool()>& condition) {
        std::unique_lock<std::recursive_mutex> lock(m_mutex);
        if (!m_changed.wait_for(lock, 20s, condition))
            ADD_FAILURE() << "waited in vain";
    }
    // Where `line` stands in the log; -1 when it is not there.
    int At(const std::wstring& line) {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        const auto at = std::find(log.begin(), log.end(), line);
        return at == log.end() ? -1 : static_cast<int>(at - log.begin());
    }
    Urgency UrgencyOf(const std::wstring& name) {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        return threads.count(name) ? threads[name]->urgencies.back() : Urgency::kAhead;
    }
    static inline thread_local std::shared_ptr<CThread> t_thread;
    std::recursive_mutex m_mutex;
    std::condition_variable_any m_changed;
    // Last: joined first.
    std::vector<std::jthread> m_threads;
};

} // namespace

TEST(PicturePreparer,
     TheWaitedForPictureStartsBesideAbandonedOnesWithinTheAllowanceAndNeverWaitsOnALoweredOne) {
    CDecodingTurns turns;
    std::atomic<int> closedHeard{0};
    {
        CRig rig;
        rig.pictures = {{L"a", {100, true}}, {L"b", {100, true}}, {L"c", {60, true}}, {L"d", {200, true}}};
        // A window that closes while its picture decodes: its job holds the turn on.
        CPicturePreparer closed(rig, turns);
        closed.Reset([&] { ++closedHeard; }, rig.Maker(), 2);
        closed.Want(CPictureEntry{L"a"}, {});
        rig.WaitUntil([&] { return rig.At(L"decode a") >= 0; });
        closed.Stop();
        // The window opened anew: b decodes beside a (100 beyond the largest, within 150); c would not
        // (160) and waits, and meanwhile the jobs that hold the turns it waits for run as urgently as c.
        CPicturePreparer opened(rig, turns);
        opened.Reset([] {}, rig.Maker(), 2, 0, 150);
        opened.Want(CPictureEntry{L"b"}, {});
        rig.WaitUntil([&] { return rig.At(L"decode b") >= 0; });
        opened.Want(CPictureEntry{L"c"}, {});
        rig.WaitUntil([&] {
            return rig.UrgencyOf(L"a") == Urgency::kWaitedFor && rig.UrgencyOf(L"b") == Urgency::kWaitedFor;
        });
        // Abandoned while it waits for its turn, c never decodes; d fits once a is done (300 - 200).
        opened.Want(CPictureEntry{L"d"}, {});
        rig.WaitUntil([&] { return rig.UrgencyOf(L"c") == Urgency::kAbandoned && rig.At(L"ask d") >= 0; });
        EXPECT_FALSE(opened.WaitForWanted(0ms).wanted) << "d still waits";
        rig.Log(L"release a");
        rig.WaitUntil([&] { return rig.At(L"decode d") >= 0 && rig.UrgencyOf(L"a") == Urgency::kAbandoned; });
        EXPECT_GT(rig.At(L"decode d"), rig.At(L"release a"));
        EXPECT_EQ(rig.At(L"decode c"), -1);
        const std::vector<Urgency>& a = rig.threads[L"a"]->urgencies;
        EXPECT_EQ(std::count(a.begin(), a.end(), Urgency::kAbandoned), 1)
            << "lowered only once it gave back its turn";
        rig.Log(L"release b");
        rig.Log(L"release d");
        EXPECT_EQ(opened.WaitForWanted(20s).wanted, std::optional<bool>(true));
        CDibImage frame;
        EXPECT_TRUE(opened.Take(CPictureEntry{L"d"}, frame) && !opened.Take(CPictureEntry{L"b"}, frame))
            << "the wanted picture's frame is kept, an abandoned job's dropped";
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
        // Whether wanting `entry` starts a job (which fails).
        const auto tries = [&](const CPictureEntry& entry) {
            const int before = rig.started;
            preparer.Want(entry, {});
            const bool tried = rig.started > before && preparer.WaitForWanted(20s).wanted == false;
            preparer.Want(std::nullopt, {});
            return tried;
        };
        const std::string what = "result " + std::to_string(static_cast<int>(c.result));
        ASSERT_TRUE(tries(CPictureEntry{L"f"})) << what;
        EXPECT_FALSE(tries(CPictureEntry{L"f"})) << what << ": tried again at once";
        preparer.ForgetPassingFailures();
        EXPECT_EQ(preparer.HasFailed(CPictureEntry{L"f"}), c.afterNextVisit) << what;
        preparer.ForgetLayoutFailures();
        EXPECT_EQ(preparer.HasFailed(CPictureEntry{L"f"}), c.afterNewLayout) << what;
        // The file as its listing describes it after a change is another file.
        EXPECT_TRUE(tries(CPictureEntry{L"f", 2})) << what;
    }
}
