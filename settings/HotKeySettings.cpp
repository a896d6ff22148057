#include "settings/HotKeySettings.h"

#include "settings/RegistryNames.h"
#include "settings/RegistryPath.h"
#include "settings/SettingsKeys.h"

bool ReadHotKeys(CHotKeys& hotKeys) {
    if (!CSettingsKeys({kHotKeyKey.Load()}).AnyOpen())
        return false;
    for (int i = 0; i < kHotKeyCount; ++i) {
        const CSettingsKeys mode({kHotKeyKey.Load(), kHotKeySubkeys[i].Load()});
        std::uint32_t value = 0;
        if (mode.ReadNumber(kVirtualKeyCodeValue.Load(), value))
            hotKeys[i].virtualKey = static_cast<std::uint16_t>(value & 0xFFFF);
        if (mode.ReadNumber(kModifiersValue.Load(), value))
            hotKeys[i].modifiers = static_cast<std::uint16_t>(value & 0xFFFF);
    }
    return true;
}

bool WriteHotKeys(const CHotKeys& hotKeys) {
    CRegistryKey key;
    if (!CreateCurrentVersionKey(key, HKEY_CURRENT_USER) || !key.Create(key, kHotKeyKey.Load()))
        return false;
    bool written = true;
    for (int i = 0; i < kHotKeyCount; ++i) {
        CRegistryKey mode;
        if (!mode.Create(key, kHotKeySubkeys[i].Load())) {
            written = false;
            continue;
        }
        const bool code = mode.WriteNumber(kVirtualKeyCodeValue.Load(), hotKeys[i].virtualKey);
        const bool modifiers = mode.WriteNumber(kModifiersValue.Load(), hotKeys[i].modifiers);
        written = written && code && modifiers;
    }
    return written;
}
