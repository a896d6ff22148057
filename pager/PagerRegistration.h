#pragma once
// The extension's identity and its registration under HKEY_CLASSES_ROOT as a property-sheet handler
// for all files.

#include <windows.h>

// {6084E61D-468A-4997-8553-161AD57781A9}
inline constexpr CLSID kPagerClsid = {
    0x6084E61D, 0x468A, 0x4997, {0x85, 0x53, 0x16, 0x1A, 0xD5, 0x77, 0x81, 0xA9}};
inline constexpr char kPagerClsidText[] = "{6084E61D-468A-4997-8553-161AD57781A9}";
inline constexpr char kPagerProgId[] = "ZeltoPager.1";
inline constexpr char kPagerDescription[] = "Allow Zelto Page.";

// Writes the seven keys with their default values, the server key with the library's full path and
// "ThreadingModel" = "Apartment". Single failures are not reported.
void RegisterPager();
// Deletes the seven keys, subkeys before their parents so that nothing is left behind. Single
// failures (a key already gone) are not reported.
void UnregisterPager();
