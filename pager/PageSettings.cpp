#include "pager/PageSettings.h"

#include "pager/PagerNames.h"
#include "settings/RegistryKey.h"

namespace {

bool OpenProductKey(CRegistryKey& key) {
    return key.Open(HKEY_LOCAL_MACHINE, "Software") && key.Open(key, kPageMakerKey.Load()) &&
           key.Open(key, kPageProductKey.Load());
}

} // namespace

void ReadPageSettings(CPageSettings& settings) {
    CRegistryKey key;
    if (!OpenProductKey(key))
        return;
    std::string version = kPageSettingsVersion;
    key.ReadString(kPageCurrentVersionValue.Load(), version);
    if (!key.Open(key, version))
        return;

    CRegistryKey dir;
    if (dir.Open(key, kPageDirKey.Load())) {
        dir.ReadString(kPagePathNameValue.Load(), settings.programPath);
        dir.ReadString(kPageClassNameValue.Load(), settings.windowClass);
        dir.ReadString(kPageWindowNameValue.Load(), settings.windowName);
    }

    if (!key.Open(key, kPageHotKeyKey.Load()))
        return;
    for (int i = 0; i < kHotKeyCount; ++i) {
        CRegistryKey mode;
        if (!mode.Open(key, kPageHotKeySubkeys[i].Load()))
            continue;
        std::uint32_t value = 0;
        if (mode.ReadNumber(kPageVirtualKeyCodeValue.Load(), value))
            settings.hotKeys[i].virtualKey = static_cast<std::uint16_t>(value & 0xFFFF);
        if (mode.ReadNumber(kPageModifiersValue.Load(), value))
            settings.hotKeys[i].modifiers = static_cast<std::uint16_t>(value & 0xFFFF);
    }
}

void WritePageSettings(const CPageSettings& settings) {
    CRegistryKey key;
    if (!key.Create(HKEY_LOCAL_MACHINE, "Software") || !key.Create(key, kPageMakerKey.Load()) ||
        !key.Create(key, kPageProductKey.Load()))
        return;
    if (!key.WriteString(kPageCurrentVersionValue.Load(), kPageSettingsVersion))
        return;
    if (!key.Create(key, kPageSettingsVersion) || !key.Create(key, kPageHotKeyKey.Load()))
        return;
    for (int i = 0; i < kHotKeyCount; ++i) {
        CRegistryKey mode;
        if (!mode.Create(key, kPageHotKeySubkeys[i].Load()))
            continue;
        mode.WriteNumber(kPageVirtualKeyCodeValue.Load(), settings.hotKeys[i].virtualKey);
        mode.WriteNumber(kPageModifiersValue.Load(), settings.hotKeys[i].modifiers);
    }
}
