#pragma once
// Makes the calling thread per-monitor DPI aware for the life of the object, so that a hook action in
// a DPI-unaware program reads the screen's size, copies and draws in physical pixels rather than in
// the scaled coordinates that the system gives such a program. The thread's previous awareness is
// restored afterwards. SetThreadDpiAwarenessContext is looked up in the already loaded user32.dll:
// systems before Windows 10 (1607) lack it, and there the object does nothing.

#include <windows.h>

class CPhysicalPixelsScope {
public:
    CPhysicalPixelsScope() noexcept;
    ~CPhysicalPixelsScope();
    CPhysicalPixelsScope(const CPhysicalPixelsScope&) = delete;
    CPhysicalPixelsScope& operator=(const CPhysicalPixelsScope&) = delete;

    // Whether the thread's awareness was switched (and will be restored).
    bool Switched() const noexcept { return m_previous != nullptr; }

private:
    using SetAwarenessFunction = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
    SetAwarenessFunction m_set = nullptr;
    DPI_AWARENESS_CONTEXT m_previous = nullptr;
};
