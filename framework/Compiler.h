#pragma once
// The few compiler-specific spellings of the suite, kept here so that everything else is standard C++
// plus the Win32 API and builds with MinGW-w64 g++ as well as with MSVC.

// A variable placed in the data section MYSHARE, where the hook library keeps its state in the layout
// that it has always had there. The section is an ordinary one: each process that loads the library
// has its own copy, which no other process reads or changes.
#if defined(_MSC_VER)
#pragma section("MYSHARE", read, write)
#define ZELTO_STATE_DATA __declspec(allocate("MYSHARE"))
#else
#define ZELTO_STATE_DATA __attribute__((section("MYSHARE")))
#endif
