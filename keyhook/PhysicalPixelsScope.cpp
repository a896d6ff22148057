#include "keyhook/PhysicalPixelsScope.h"

#include "framework/Handles.h"

CPhysicalPixelsScope::CPhysicalPixelsScope() noexcept {
    // GetModuleHandle does not load: a hook procedure must not map libraries into the program it runs in.
    HMODULE user32 = GetModuleHandleA("user32.dll");
    if (!user32)
        return;
    m_set = GetProcedure<SetAwarenessFunction>(user32, "SetThreadDpiAwarenessContext");
    if (!m_set)
        return;
    // Version 2 of per-monitor awareness came with Windows 10 (1703); version 1 is the fallback.
    m_previous = m_set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    if (!m_previous)
        m_previous = m_set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
}

CPhysicalPixelsScope::~CPhysicalPixelsScope() {
    if (m_previous)
        m_set(m_previous);
}
