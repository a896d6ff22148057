#include "pager/PagerApp.h"

#include "framework/Resources.h"
#include "pager/PagerNames.h"

#include <atomic>

namespace {
CPagerApp g_pagerApp;
// Objects may live on several of the shell's apartment threads at once: changed atomically.
UINT g_objectCount = 0;
} // namespace

BOOL CPagerApp::InitInstance() {
    return TRUE;
}

HMODULE PagerModule() noexcept {
    return g_pagerApp.m_hInstance;
}

std::string PagerModulePath() {
    // A path may be longer than MAX_PATH; GetModuleFileName cuts it to the buffer and says so by
    // filling the buffer.
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(PagerModule(), path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768)
            return {};
        path.resize(path.size() * 2);
    }
}

UINT* ObjectCountAddress() noexcept {
    return &g_objectCount;
}

UINT ObjectCount() noexcept {
    return std::atomic_ref<UINT>(g_objectCount).load();
}

void IncrementObjectCount() noexcept {
    std::atomic_ref<UINT>(g_objectCount).fetch_add(1);
}

void DecrementObjectCount() noexcept {
    std::atomic_ref<UINT>(g_objectCount).fetch_sub(1);
}

// Kept trivial: the loader lock is held here.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_pagerApp.m_hInstance = instance;
        SetResourceInstance(instance);
        UseRegistryNameStrings(&kPageNameStrings);
        DisableThreadLibraryCalls(instance);
        return g_pagerApp.InitInstance();
    }
    return TRUE;
}
