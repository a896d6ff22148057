#pragma once
// The settings that the Activator loads from the registry, with their built-in defaults.

#include "settings/SettingsTypes.h"

#include <array>
#include <cstdint>
#include <string>

struct CActivatorSettings {
    // Shift+F9 for Interlace and Page Flip alike (the hook tests Interlace first), Shift+F10 to
    // Shift+F12, and Scroll Lock alone for the capture.
    std::array<CHotKey, kHotKeyCount> hotKeys{
        {{0x78, 1}, {0x78, 1}, {0x79, 1}, {0x7A, 1}, {0x7B, 1}, {0x91, 0}}};
    std::int32_t viewMode = kViewSyncDouble;
    std::string dir;
    std::string name;
    // The Windows directory followed by "\Temp\"; set when the main window is constructed.
    std::string defaultDir;
    std::string defaultName = "Captur";
};
