// The library that the soak benchmark loads into the programs it watches, to count from inside them
// what they hold (tests/support/WineTestSupport.h): each export runs as a thread that the benchmark
// starts in the program, and ends with its count as the thread's exit code.

#include "tests/support/WineTestSupport.h"

namespace {

// The number of USER objects (windows, menus, icons and cursors, accelerator tables) that this process
// holds, counted as the tests count GDI objects. Where GetGuiResources answers 0 (Wine), each entry of
// the USER handle table is asked for: Wine hands out the values 0x20, 0x22, ... (the generation in the
// high word, which 0 matches), and a value counts when it names an object of one of those kinds that
// this process owns.
int CountUserObjects() {
    if (DWORD count = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS))
        return static_cast<int>(count);
    const DWORD self = GetCurrentProcessId();
    int count = 0;
    for (UINT_PTR value = 0x20; value < 0x10000; value += 2) {
        const auto handle = reinterpret_cast<HANDLE>(value);
        DWORD owner = 0;
        ICONINFO icon{};
        if (GetWindowThreadProcessId(static_cast<HWND>(handle), &owner)) {
            count += owner == self;
        } else if (IsMenu(static_cast<HMENU>(handle))) {
            ++count;
        } else if (GetIconInfo(static_cast<HICON>(handle), &icon)) {
            DeleteObject(icon.hbmColor);
            DeleteObject(icon.hbmMask);
            ++count;
        } else if (CopyAcceleratorTableW(static_cast<HACCEL>(handle), nullptr, 0) > 0) {
            ++count;
        }
    }
    return count;
}

} // namespace

extern "C" __declspec(dllexport) DWORD WINAPI ProbeKernelHandles(void*) {
    return testing_support::CountKernelHandles();
}

extern "C" __declspec(dllexport) DWORD WINAPI ProbeGdiObjects(void*) {
    return static_cast<DWORD>(testing_support::CountGdiObjects());
}

extern "C" __declspec(dllexport) DWORD WINAPI ProbeUserObjects(void*) {
    return static_cast<DWORD>(CountUserObjects());
}
