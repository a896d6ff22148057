#pragma once
// Where a module's resources come from, and string resources with a built-in fallback text.

#include <windows.h>

#include <string>

// The module that holds the dialog templates, strings, icons and menus of this program or library.
// A program uses its own executable unless it says otherwise; a library sets its own module handle
// when it is loaded.
HINSTANCE ResourceInstance();
void SetResourceInstance(HINSTANCE instance);

// The string resource `id` of the resource module; `fallback` when it cannot be loaded or is empty.
std::string LoadStringResource(UINT id, const char* fallback);

// A string resource of a name that the suite's parts share, with its built-in text.
struct CNamedString {
    UINT id;
    const char* text;

    std::string Load() const { return LoadStringResource(id, text); }
};
