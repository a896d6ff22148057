#pragma once
// The library's application object, its module handle and its object count.

#include "framework/Application.h"

#include <string>

class CPagerApp : public CApplication {
public:
    // Nothing to start: the library only answers the shell's calls.
    BOOL InitInstance() override;
};

// The library's own module (set when the library is loaded), and the full path of its file (empty
// when it cannot be had).
HMODULE PagerModule() noexcept;
std::string PagerModulePath();

// The count of live class factories, extension objects and pages. The sheets that hold a page count
// it as well, through the page's reference-parent pointer (hence UINT). The library may be unloaded
// only while it is 0.
UINT* ObjectCountAddress() noexcept;
UINT ObjectCount() noexcept;
void IncrementObjectCount() noexcept;
void DecrementObjectCount() noexcept;
