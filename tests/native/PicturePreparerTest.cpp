// The preparing of pictures in the background, driven by makers that block on events the test sets:
// which decodings run beside which, how urgent each job's thread is, what an abandoned job still does,
// and which failures are remembered. No sleeps: every wait is for something a job does, with a
// deadline only to fail instead of hanging.

#include "display/PicturePreparer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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

// The threads, the makers and a log of what they did, shared under one lock.
class CRig : public CJobExecutor {
public:
    ~CRig() {
        for (std::thread& thread : m_threads)
            thread.join();
    }

    // Jobs handed over while held wait for Go; with `refuse`, no thread is to be had.
    bool hold = false;
    bool refuse = false;
    std::map<std::wstring, CPicture> pictures;

    bool Run(std::function<void(CJobThread&)> work, Urgency urgency) noexcept override {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        ++started;
        if (refuse)
            return false;
        auto thread = std::make_shared<CThread>(this, urgency);
        m_records.push_back(thread);
        m_queued.push_back([this, thread, work = std::move(work)] {
            t_thread = thread.get();
            work(*thread);
            std::lock_guard<std::recursive_mutex> lock(m_mutex);
            Log(L"finished " + thread->name);
        });
        if (!hold)
            Go();
        return true;
    }
    // Starts the jobs held.
    void Go() {
        for (auto& work : m_queued)
            m_threads.emplace_back(std::move(work));
        m_queued.clear();
    }

    CPicturePreparer::CFrameMaker Maker() {
        return [this](const CPictureEntry& entry, const CStopSignal&,
                      const CPicturePreparer::CDecodingTurn& turn, CDibImage& frame, CDibImage&) {
            const std::wstring name = entry.path;
            CPicture picture;
            {
                std::lock_guard<std::recursive_mutex> lock(m_mutex);
                picture = pictures[name];
                t_thread->name = name;
                m_threadOf[name] = t_thread;
                Log(L"ask " + name);
            }
            if (!turn(picture.bytes))
                return CPictureResult::kPassing;
            {
                std::lock_guard<std::recursive_mutex> lock(m_mutex);
                Log(L"decode " + name);
                m_decoding.push_back(picture.bytes);
                std::uint64_t all = 0, largest = 0;
                for (std::uint64_t bytes : m_decoding) {
                    all += bytes;
                    largest = std::max(largest, bytes);
                }
                beyondLargest = std::max(beyondLargest, all - largest);
            }
            if (picture.blocks)
                WaitUntil([&] { return m_released.count(name) > 0; });
            {
                std::lock_guard<std::recursive_mutex> lock(m_mutex);
                m_decoding.erase(std::find(m_decoding.begin(), m_decoding.end(), picture.bytes));
            }
            if (picture.result == CPictureResult::kMade)
                frame.Create(kDibTrueColour, 1, 1);
            return picture.result;
        };
    }
    CPicturePreparer::CAnnouncer Announcer() {
        return [this] {
            std::lock_guard<std::recursive_mutex> lock(m_mutex);
            ++announced;
            m_changed.notify_all();
        };
    }

    void Release(const std::wstring& name) {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        Log(L"release " + name);
        m_released.insert({name, true});
        m_changed.notify_all();
    }
    // Waits until `condition` holds, which a job brings about; fails the test after 20 s.
    void WaitUntil(const std::function<bool()>& condition) {
        std::unique_lock<std::recursive_mutex> lock(m_mutex);
        if (!m_changed.wait_for(lock, 20s, condition))
            ADD_FAILURE() << "waited in vain; " << LogText();
    }
    // Where `line` stands in the log; -1 when it is not there.
    int At(const std::wstring& line) {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        const auto at = std::find(m_log.begin(), m_log.end(), line);
        return at == m_log.end() ? -1 : static_cast<int>(at - m_log.begin());
    }
    bool Logged(const std::wstring& line) { return At(line) >= 0; }
    std::string LogText() {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        std::string text = "log:";
        for (const std::wstring& line : m_log) {
            text.push_back(' ');
            for (wchar_t letter : line)
                text.push_back(static_cast<char>(letter));
            text.push_back(';');
        }
        return text;
    }
    // The urgencies that the thread of `name`'s job was given, in order; the first one is its start.
    std::vector<Urgency> UrgenciesOf(const std::wstring& name) {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        return m_threadOf.count(name) ? m_threadOf[name]->urgencies : std::vector<Urgency>{Urgency::kAhead};
    }
    Urgency UrgencyOf(const std::wstring& name) { return UrgenciesOf(name).back(); }

    int started = 0;
    int announced = 0;
    // The most that the decodings under way held at once beyond the largest of them.
    std::uint64_t beyondLargest = 0;

private:
    struct CThread : CJobThread {
        CThread(CRig* rig, Urgency urgency) : rig(rig), urgencies{urgency} {}
        void SetUrgency(Urgency urgency) noexcept override {
            std::lock_guard<std::recursive_mutex> lock(rig->m_mutex);
            urgencies.push_back(urgency);
            rig->m_changed.notify_all();
        }
        CRig* rig;
        std::vector<Urgency> urgencies;
        std::wstring name;
    };
    void Log(const std::wstring& line) {
        m_log.push_back(line);
        m_changed.notify_all();
    }

    static inline thread_local CThread* t_thread = nullptr;
    std::recursive_mutex m_mutex;
    std::condition_variable_any m_changed;
    std::vector<std::function<void()>> m_queued;
    std::vector<std::thread> m_threads;
    std::vector<std::shared_ptr<CThread>> m_records;
    std::map<std::wstring, CThread*> m_threadOf;
    std::map<std::wstring, bool> m_released;
    std::vector<std::uint64_t> m_decoding;
    std::vector<std::wstring> m_log;
};

} // namespace

TEST(PicturePreparer,
     TheWaitedForPictureStartsBesideAbandonedOnesWithinTheAllowanceAndIsNeverBehindALoweredThread) {
    CDecodingTurns turns;
    CRig rig;
    rig.pictures = {{L"a", {100, true}}, {L"b", {100, true}}, {L"c", {60, true}}, {L"d", {200, true}}};
    CPicturePreparer preparer(rig, turns);
    preparer.Reset(rig.Announcer(), rig.Maker(), 2, 0, 150);
    preparer.Want(Entry(L"a"), {});
    rig.WaitUntil([&] { return rig.Logged(L"decode a"); });
    EXPECT_EQ(rig.UrgencyOf(L"a"), Urgency::kWaitedFor);
    // b fits beside a (100 beyond the largest); c would not (160), and waits.
    preparer.Want(Entry(L"b"), {});
    rig.WaitUntil([&] { return rig.Logged(L"decode b"); });
    preparer.Want(Entry(L"c"), {});
    // While c waits, the abandoned jobs that hold the turns it waits for run as urgently as c.
    rig.WaitUntil([&] {
        return rig.UrgencyOf(L"a") == Urgency::kWaitedFor && rig.UrgencyOf(L"b") == Urgency::kWaitedFor;
    });
    // Abandoned while it waits, c never decodes; d fits once a has given back its turn (100 + 200).
    preparer.Want(Entry(L"d"), {});
    rig.WaitUntil([&] { return rig.UrgencyOf(L"c") == Urgency::kAbandoned && rig.Logged(L"ask d"); });
    rig.Release(L"a");
    rig.WaitUntil([&] { return rig.Logged(L"decode d"); });
    EXPECT_GT(rig.At(L"decode d"), rig.At(L"release a")) << rig.LogText();
    EXPECT_FALSE(rig.Logged(L"decode c")) << rig.LogText();
    // Lowered only once it gave back its turn.
    rig.WaitUntil([&] { return rig.UrgencyOf(L"a") == Urgency::kAbandoned; });
    const std::vector<Urgency> a = rig.UrgenciesOf(L"a");
    EXPECT_EQ(std::count(a.begin(), a.end(), Urgency::kAbandoned), 1);
    rig.Release(L"b");
    rig.Release(L"d");
    EXPECT_EQ(preparer.WaitForWanted(20s).wanted, std::optional<bool>(true));
    CDibImage frame;
    EXPECT_TRUE(preparer.Take(Entry(L"d"), frame));
    EXPECT_FALSE(preparer.Take(Entry(L"a"), frame)) << "an abandoned job's frame is dropped";
    EXPECT_EQ(rig.beyondLargest, 100u) << "a and b decode side by side, and nothing more beyond the largest";
}

TEST(PicturePreparer, AJobAbandonedBeforeItsTurnNeverDecodesAndAClosedWindowHearsOfNoJob) {
    CDecodingTurns turns;
    CRig rig;
    rig.pictures = {{L"slow", {100, true}}, {L"x", {100}}, {L"y", {100}}, {L"z", {100}}};
    std::atomic<int> closedHeard{0};
    {
        // A window that closes while its picture decodes: its job holds the turn on.
        CPicturePreparer closed(rig, turns);
        closed.Reset([&] { ++closedHeard; }, rig.Maker(), 2);
        closed.Want(Entry(L"slow"), {});
        rig.WaitUntil([&] { return rig.Logged(L"decode slow"); });
        closed.Stop();
    }
    // The window opened anew, without an allowance: x waits for the turn, and is abandoned for z, and z
    // for y before z's thread even started.
    CPicturePreparer opened(rig, turns);
    opened.Reset(rig.Announcer(), rig.Maker(), 2);
    opened.Want(Entry(L"x"), {});
    rig.WaitUntil([&] { return rig.UrgencyOf(L"slow") == Urgency::kWaitedFor; });
    rig.hold = true;
    opened.Want(Entry(L"z"), {});
    opened.Want(Entry(L"y"), {});
    rig.Go();
    rig.Release(L"slow");
    EXPECT_EQ(opened.WaitForWanted(20s).wanted, std::optional<bool>(true));
    rig.WaitUntil([&] { return rig.Logged(L"finished slow") && rig.Logged(L"finished "); });
    EXPECT_TRUE(rig.Logged(L"ask x"));
    EXPECT_FALSE(rig.Logged(L"decode x")) << rig.LogText();
    EXPECT_FALSE(rig.Logged(L"ask z")) << rig.LogText();
    EXPECT_EQ(rig.UrgencyOf(L"slow"), Urgency::kAbandoned);
    EXPECT_EQ(closedHeard, 0);
}

TEST(PicturePreparer, OnlyLastingFailuresAreRememberedAndEachForAsLongAsItHolds) {
    struct Case {
        CPictureResult result;
        bool afterNextVisit; // still passed over once the user moves on
        bool afterNewLayout; // still passed over after F, S or another monitor
    };
    const Case cases[] = {
        {CPictureResult::kPassing, false, false},
        {CPictureResult::kNotAPicture, true, true},
        {CPictureResult::kBeyondBound, true, true},
        {CPictureResult::kDamaged, true, false},
    };
    for (const Case& c : cases) {
        CDecodingTurns turns;
        CRig rig;
        rig.pictures = {{L"f", {100, false, c.result}}};
        CPicturePreparer preparer(rig, turns);
        preparer.Reset(rig.Announcer(), rig.Maker(), 2);
        // Whether wanting `entry` starts a job; it then fails.
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
        // The file as the listing describes it after a change is another file.
        EXPECT_TRUE(tries(Entry(L"f", 2))) << what;
    }
    // No thread to be had: the picture passes for now, and the window never makes it itself.
    CDecodingTurns turns;
    CRig rig;
    rig.refuse = true;
    CPicturePreparer preparer(rig, turns);
    preparer.Reset(rig.Announcer(), rig.Maker(), 2);
    preparer.Want(Entry(L"f"), {});
    EXPECT_EQ(preparer.WaitForWanted(0ms).wanted, std::optional<bool>(false));
    EXPECT_FALSE(rig.Logged(L"ask f"));
    EXPECT_TRUE(preparer.HasFailed(Entry(L"f")));
}

TEST(PicturePreparer, TheFirstPictureIsWaitedForWithinABoundThenBothNeighboursAreMadeOneAtATime) {
    CDecodingTurns turns;
    CRig rig;
    rig.pictures = {{L"1", {100, true}}, {L"2", {100, true}}, {L"3", {100, true}}};
    CPicturePreparer preparer(rig, turns);
    preparer.Reset(rig.Announcer(), rig.Maker(), 2, 0, 1000);
    preparer.Want(Entry(L"2"), {Entry(L"3"), Entry(L"1")});
    rig.WaitUntil([&] { return rig.Logged(L"decode 2"); });
    EXPECT_FALSE(preparer.WaitForWanted(0ms).wanted) << "the picture still decodes";
    rig.Release(L"2");
    ASSERT_EQ(preparer.WaitForWanted(20s).wanted, std::optional<bool>(true));
    CDibImage shown;
    ASSERT_TRUE(preparer.Take(Entry(L"2"), shown));
    // The next picture first, then the previous one, never two at once, each after the window's thread.
    preparer.Want(std::nullopt, {Entry(L"3"), Entry(L"1")});
    rig.WaitUntil([&] { return rig.Logged(L"decode 3"); });
    EXPECT_EQ(rig.UrgencyOf(L"3"), Urgency::kAhead);
    rig.Release(L"3");
    rig.WaitUntil([&] { return rig.announced >= 2; });
    preparer.Collect();
    rig.WaitUntil([&] { return rig.Logged(L"decode 1"); });
    rig.Release(L"1");
    rig.WaitUntil([&] { return rig.announced >= 3; });
    preparer.Collect();
    EXPECT_EQ(rig.beyondLargest, 0u);
    // A step onto the next picture shows it without a job; the picture left is kept for the step back.
    const int jobs = rig.started;
    CDibImage next;
    ASSERT_TRUE(preparer.Take(Entry(L"3"), next));
    preparer.Keep(Entry(L"2"), shown);
    preparer.Want(std::nullopt, {Entry(L"1"), Entry(L"2")});
    EXPECT_TRUE(preparer.Take(Entry(L"2"), shown));
    EXPECT_TRUE(preparer.Take(Entry(L"1"), next));
    EXPECT_EQ(rig.started, jobs);
}
