#include "settings/HotKeyRules.h"

namespace {

constexpr std::uint32_t kShift = 1;
constexpr std::uint32_t kControl = 2;
constexpr std::uint32_t kAlt = 4;
constexpr std::uint32_t kExtended = 8;

struct CKeyRange {
    std::uint16_t first;
    std::uint16_t last;
};
// Virtual-key codes: Backspace and Tab; Enter; the space bar; 0-9; A-Z; the keypad's digits, * + ,
// - . /; the punctuation keys (VK_OEM_1 to VK_OEM_3, VK_OEM_4 to VK_OEM_8, VK_OEM_102).
constexpr CKeyRange kTypingKeys[] = {{0x08, 0x09}, {0x0D, 0x0D}, {0x20, 0x20}, {0x30, 0x39}, {0x41, 0x5A},
                                     {0x60, 0x6F}, {0xBA, 0xC0}, {0xDB, 0xDF}, {0xE2, 0xE2}};

} // namespace

bool IsHotKeyOfControl(std::uint32_t virtualKey, std::uint32_t modifiers) {
    return virtualKey < 0x100 && (modifiers & ~(kShift | kControl | kAlt | kExtended)) == 0;
}

bool IsTypingHotKey(const CHotKey& hotKey) {
    if (hotKey.modifiers & (kControl | kAlt))
        return false;
    for (const CKeyRange& range : kTypingKeys)
        if (hotKey.virtualKey >= range.first && hotKey.virtualKey <= range.last)
            return true;
    return false;
}
