#include "pager/PagerRegistration.h"

#include "pager/PagerApp.h"
#include "settings/RegistryKey.h"

#include <array>
#include <string>

namespace {

struct CRegistrationEntry {
    std::string key;
    std::string value;
};

// The server key's place in the table: it also gets "ThreadingModel".
constexpr size_t kServerKeyIndex = 4;

std::string ClassKey() {
    return std::string("CLSID\\") + kPagerClsidText;
}

// The seven keys in the order they are written, each with its default value.
std::array<CRegistrationEntry, 7> RegistrationTable() {
    const std::string progId = kPagerProgId;
    return {{
        {progId, kPagerDescription},
        {progId + "\\CLSID", kPagerClsidText},
        {ClassKey(), kPagerDescription},
        {ClassKey() + "\\ProgID", progId},
        {ClassKey() + "\\InProcServer32", PagerModulePath()},
        {"*\\shellex\\ContextMenuHandlers\\" + progId, kPagerClsidText},
        {"*\\shellex\\PropertySheetHandlers\\" + progId, kPagerClsidText},
    }};
}

} // namespace

void RegisterPager() {
    const auto table = RegistrationTable();
    for (size_t i = 0; i < table.size(); ++i) {
        CRegistryKey key;
        if (!key.Create(HKEY_CLASSES_ROOT, table[i].key))
            continue;
        key.WriteString("", table[i].value);
        if (i == kServerKeyIndex)
            key.WriteString("ThreadingModel", "Apartment");
    }
}

void UnregisterPager() {
    const auto table = RegistrationTable();
    // Windows refuses to delete a key that still has subkeys: the class key and the ProgID key go
    // after theirs.
    for (int i : {1, 0, 3, 4, 2, 5, 6})
        RegDeleteKeyA(HKEY_CLASSES_ROOT, table[i].key.c_str());
}
