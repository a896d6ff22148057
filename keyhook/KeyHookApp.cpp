#include "keyhook/KeyHookApp.h"

#include "display/JpegCodec.h"
#include "framework/Resources.h"
#include "keyhook/HookProcedure.h"
#include "keyhook/SharedState.h"

namespace {
CKeyHookApp g_keyHookApp;
}

BOOL CKeyHookApp::InitInstance() {
    SetKeyHookInstance(m_hInstance);
    SetResourceInstance(m_hInstance);
    const unsigned mask = LoadShared(KeyHookShared().libraryMask);
    // The cheap check only: loading the codec or starting COM is not allowed under the loader lock, so
    // the capture loads them when it runs.
    if (CheckCodecModules(mask) != mask)
        return FALSE;
    return CApplication::InitInstance();
}

int CKeyHookApp::ExitInstance() {
    UnloadCodecModules(LoadShared(KeyHookShared().libraryMask));
    return CApplication::ExitInstance();
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    try {
        switch (reason) {
        case DLL_PROCESS_ATTACH:
            g_keyHookApp.m_hInstance = instance;
            return g_keyHookApp.InitInstance();
        case DLL_PROCESS_DETACH:
            g_keyHookApp.ExitInstance();
            return TRUE;
        default:
            return TRUE;
        }
    } catch (...) {
        return FALSE;
    }
}
