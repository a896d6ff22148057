// The library that the soak benchmark loads into the programs it watches, to count from inside them
// what they hold (tests/support/ProcessObjects.h): each export runs as a thread that the benchmark
// starts in the program, and ends with its count as the thread's exit code.

#include "tests/support/ProcessObjects.h"

extern "C" __declspec(dllexport) DWORD WINAPI ProbeKernelHandles(void*) {
    return testing_support::CountKernelHandles();
}

extern "C" __declspec(dllexport) DWORD WINAPI ProbeGdiObjects(void*) {
    return static_cast<DWORD>(testing_support::CountGdiObjects());
}

extern "C" __declspec(dllexport) DWORD WINAPI ProbeUserObjects(void*) {
    return static_cast<DWORD>(testing_support::CountUserObjects());
}
