#pragma once
// The kinds of settings that the deliverables share: hotkeys and the stereo format of captured and
// shown pictures.

#include <cstdint>

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
