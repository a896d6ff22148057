#pragma once
// A top-level window of the calling thread with a window procedure of the test's own.

#include <windows.h>

// Registers `className` for `procedure` (once per class) and creates a window of it; null on failure.
inline HWND CreateTestWindow(const char* className, WNDPROC procedure, DWORD exStyle, DWORD style,
                             const RECT& rect) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    return CreateWindowExA(exStyle, className, className, style, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, nullptr, nullptr, windowClass.hInstance, nullptr);
}
