#pragma once
// The few compiler-specific spellings of the suite, kept here so that everything else is standard C++
// plus the Win32 API and builds with MinGW-w64 g++ as well as with MSVC.

// A variable placed in the shared data section MYSHARE: one copy for every process that maps the
// library. Such variables must be initialised, or the linker puts them in an unshared .bss.
#if defined(_MSC_VER)
#pragma section("MYSHARE", read, write, shared)
#define ZELTO_SHARED_DATA __declspec(allocate("MYSHARE"))
#else
#define ZELTO_SHARED_DATA __attribute__((section("MYSHARE"), shared))
#endif
