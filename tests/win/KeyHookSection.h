#pragma once
// The section MYSHARE of a loaded ZeltoKey.dll, found through the module's section table, for the
// tests that check what the library keeps there, in this process or in another.

#include "keyhook/SharedState.h"

#include <windows.h>

#include <cstring>

// The section's header in the module image, or null.
inline const IMAGE_SECTION_HEADER* FindSharedSectionHeader(HMODULE module) {
    auto* base = reinterpret_cast<const BYTE*>(module);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (std::strncmp(reinterpret_cast<const char*>(section->Name), "MYSHARE", IMAGE_SIZEOF_SHORT_NAME) ==
            0)
            return section;
    }
    return nullptr;
}

// The library's shared state as this process maps it, or null when the section is missing or too small.
inline CKeyHookShared* MappedKeyHookShared(HMODULE module) {
    const IMAGE_SECTION_HEADER* section = FindSharedSectionHeader(module);
    if (!section || section->Misc.VirtualSize < sizeof(CKeyHookShared))
        return nullptr;
    return reinterpret_cast<CKeyHookShared*>(reinterpret_cast<BYTE*>(module) + section->VirtualAddress);
}

// The state that the process `process` holds, where `localCopy`, the same library loaded here, keeps
// it: a library loads at the same address in every process unless that place is taken there.
inline bool ReadKeyHookState(HANDLE process, HMODULE localCopy, CKeyHookShared& state) {
    const CKeyHookShared* place = MappedKeyHookShared(localCopy);
    SIZE_T read = 0;
    return place && ReadProcessMemory(process, place, &state, sizeof state, &read) && read == sizeof state;
}
