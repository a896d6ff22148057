#pragma once
// The library's application object, its module handle and its object count.

#include "framework/Application.h"

class CPagerApp : public CApplication {
public:
    // Nothing to start: the library only answers the shell's calls.
    BOOL InitInstance() override;
};

// The library's own module (set when the library is loaded).
HMODULE PagerModule() noexcept;

// The count of live class factories and extension objects, and of pages that property sheets still
// hold (the sheets count those through each page's reference-parent pointer, hence UINT). The library
// may be unloaded only while it is 0.
UINT* ObjectCountAddress() noexcept;
UINT ObjectCount() noexcept;
void IncrementObjectCount() noexcept;
void DecrementObjectCount() noexcept;
