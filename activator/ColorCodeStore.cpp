#include "activator/ColorCodeStore.h"

#include "settings/RegistryKey.h"
#include "settings/RegistryNames.h"
#include "settings/RegistryPath.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string SlotKeyName(int slot) {
    return std::to_string(slot);
}

// Reads the code of one stored group over `codes`; a missing or mistyped code leaves them as they are.
void ReadCode(const CRegistryKey& groupKey, CodeSet& codes) {
    std::vector<std::uint8_t> bytes;
    if (groupKey.ReadBinary(kCodeValue.Load(), bytes))
        DecodeCodeSet(bytes, codes);
}

} // namespace

CColorCodeGroups LoadColorCodeGroups() {
    CColorCodeGroups groups;
    CRegistryKey key;
    if (!(OpenVersionKey(key, HKEY_CURRENT_USER, false) && key.Open(key, kColorCodeKey.Load())) &&
        !(OpenVersionKey(key, HKEY_LOCAL_MACHINE, false) && key.Open(key, kColorCodeKey.Load())))
        return groups;

    std::uint32_t number = kMaxColorCodeGroups;
    key.ReadNumber(kNumberValue.Load(), number);
    const int slots = static_cast<int>(std::clamp<std::uint32_t>(number, 1, kMaxColorCodeGroups));
    std::uint32_t storedActive = 0;
    const bool haveActive = key.ReadNumber(kActiveGroupValue.Load(), storedActive);

    int active = 0;
    for (int slot = 0; slot < slots; ++slot) {
        CRegistryKey groupKey;
        if (!groupKey.Open(key, SlotKeyName(slot)))
            continue;
        if (slot == 0) {
            CodeSet codes = groups.Codes(0);
            ReadCode(groupKey, codes);
            groups.SetCodes(0, codes);
            continue;
        }
        std::string name;
        if (!groupKey.ReadString(kNameValue.Load(), name))
            continue;
        CodeSet codes{};
        ReadCode(groupKey, codes);
        const int group = groups.Append(name, codes);
        if (haveActive && storedActive == static_cast<std::uint32_t>(slot))
            active = group;
    }
    groups.SetActive(active);
    return groups;
}

bool SaveColorCodeGroups(const CColorCodeGroups& groups) {
    CRegistryKey key;
    if (!CreateCurrentVersionKey(key, HKEY_CURRENT_USER) || !key.Create(key, kColorCodeKey.Load()))
        return false;
    bool written = key.WriteNumber(kNumberValue.Load(), static_cast<std::uint32_t>(groups.Count())) &&
                   key.WriteNumber(kActiveGroupValue.Load(), static_cast<std::uint32_t>(groups.Active()));
    for (int slot = 0; slot < groups.Count(); ++slot) {
        CRegistryKey groupKey;
        // Longer names would not be read back.
        const std::string name = groups.Name(slot).substr(0, kMaxGroupNameLength);
        written = groupKey.Create(key, SlotKeyName(slot)) && groupKey.WriteString(kNameValue.Load(), name) &&
                  groupKey.WriteBinary(kCodeValue.Load(), EncodeCodeSet(groups.Codes(slot))) && written;
    }
    for (int slot = groups.Count(); slot < kMaxColorCodeGroups; ++slot)
        RegDeleteTreeA(key, SlotKeyName(slot).c_str());
    return written;
}
