#pragma once
// Where the jobs that prepare pictures run: threads that an executor hands out, each told how urgent
// its job is. The Windows executor (PreparingThreads.h) runs them on the process's thread pool and
// maps urgency to thread priority; the tests run them on threads of their own. Plain code.

#include <functional>

// How urgent a job's thread is, from the most to the least.
enum class CJobUrgency {
    kWaitedFor, // a window waits for its picture, or for the turn that it holds: as the window's thread
    kAhead,     // it prepares a picture before anyone asks for it: after the window's thread
    kAbandoned, // no longer wanted and holding no decoding turn: only when nothing else runs
};

// The thread that runs one job, while it does.
class CJobThread {
public:
    // Called from any thread, never at once from two.
    virtual void SetUrgency(CJobUrgency urgency) noexcept = 0;

protected:
    ~CJobThread() = default;
};

class CJobExecutor {
public:
    // Runs `work` soon on a thread of its own (not the caller's), handing it that thread at the urgency
    // `urgency`; false when no thread can be had, `work` then dropped unrun.
    virtual bool Run(std::function<void(CJobThread& thread)> work, CJobUrgency urgency) noexcept = 0;

protected:
    ~CJobExecutor() = default;
};
