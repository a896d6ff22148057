#pragma once
// What the calling process holds of the system's objects, counted where Wine's own counters answer 0:
// GDI objects, USER objects and kernel handles. Plain Win32, for the tests and for the benchmarks'
// probe that counts inside another program.

#include <windows.h>

namespace testing_support {

// The number of GDI objects that this process holds. Wine's GetGuiResources answers 0, so the count
// comes from the process's GDI handle table, which Wine and Windows both publish in the PEB.
int CountGdiObjects();
// The number of USER objects (windows, menus, icons and cursors, accelerator tables) that this process
// holds. Where GetGuiResources answers 0 (Wine), each entry of the USER handle table is asked for:
// Wine hands out the values 0x20, 0x22, ... (the generation in the high word, which 0 matches), and a
// value counts when it names an object of one of those kinds that this process owns.
int CountUserObjects();
// The number of kernel handles that this process holds.
DWORD CountKernelHandles();

} // namespace testing_support
