#include "pager/PagerApp.h"

#include "framework/Resources.h"

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
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(PagerModule(), path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
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
        DisableThreadLibraryCalls(instance);
        return g_pagerApp.InitInstance();
    }
    return TRUE;
}
