// The key target program (see KeyTarget.h). Built by the 64-bit and the 32-bit compiler alike, with
// nothing but the Windows API.

#include "tests/win/KeyTarget.h"

#include <string>
#include <vector>

namespace {

std::vector<LRESULT> g_presses;

LRESULT CALLBACK KeyTargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // Bit 30 of lParam: the key was already down, so this press is an auto-repeat.
        g_presses.push_back(static_cast<LRESULT>(wParam & 0xFFFF) | ((lParam & 0x40000000) ? 0x10000 : 0));
        break;
    case kKeyTargetCount:
        return static_cast<LRESULT>(g_presses.size());
    case kKeyTargetPress:
        return wParam < g_presses.size() ? g_presses[wParam] : -1;
    case kKeyTargetClear:
        g_presses.clear();
        return 1;
    case kKeyTargetBitness:
        return static_cast<LRESULT>(8 * sizeof(void*));
    case kKeyTargetPing:
        return 1;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = KeyTargetProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = "ZeltoKeyTarget";
    if (!RegisterClassA(&windowClass))
        return 1;
    const std::string title = kKeyTargetTitle + std::to_string(8 * sizeof(void*));
    // Clear of the top band, where line codes show.
    HWND window =
        CreateWindowExA(WS_EX_TOPMOST, windowClass.lpszClassName, title.c_str(), WS_POPUP | WS_VISIBLE, 300,
                        300, 240, 120, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    SetForegroundWindow(window);
    SetFocus(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
