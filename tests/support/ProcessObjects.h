#pragma once
// What the calling process holds of the system's objects, counted where Wine's own counters answer 0:
// GDI objects and kernel handles. Plain Win32, for the tests and for the benchmarks' probe that counts
// inside another program.

#include <windows.h>

namespace testing_support {

// The number of GDI objects that this process holds. Wine's GetGuiResources answers 0, so the count
// comes from the process's GDI handle table, which Wine and Windows both publish in the PEB.
int CountGdiObjects();
// The number of kernel handles that this process holds.
DWORD CountKernelHandles();

} // namespace testing_support
