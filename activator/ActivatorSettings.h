#pragma once
// The settings that the Activator loads from the registry, with their built-in defaults.

#include <array>
#include <cstdint>
#include <string>

// A hotkey as the hotkey control encodes it: a virtual-key code and HOTKEYF_ modifier flags
// (1 Shift, 2 Control, 4 Alt, 8 extended key).
struct CHotKey {
    std::uint16_t virtualKey;
    std::uint16_t modifiers;

    friend bool operator==(const CHotKey&, const CHotKey&) = default;
};

// The six hotkeys, always in this order.
enum HotKeyIndex {
    kHotKeyInterlace,
    kHotKeyPageFlip,
    kHotKeySyncDouble,
    kHotKeyLineBlank,
    kHotKeyNormal,
    kHotKeyCapture,
    kHotKeyCount
};

// The stereo format of captured and shown pictures.
enum ViewMode : std::int32_t { kViewInterlace = 0, kViewSyncDouble = 1, kViewLineBlank = 2, kViewFlat2D = 3 };

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
