#include "settings/WindowIdentity.h"

#include "settings/RegistryNames.h"
#include "settings/RegistryPath.h"

namespace {

bool OpenDirKey(CRegistryKey& key) {
    return OpenVersionKey(key, false) && key.Open(key, kDirName.Load());
}

} // namespace

bool ReadWindowIdentity(CWindowIdentity& identity) {
    CRegistryKey key;
    if (!OpenDirKey(key))
        return false;
    const bool className = key.ReadString(kClassNameValue.Load(), identity.className);
    const bool windowName = key.ReadString(kWindowNameValue.Load(), identity.windowName);
    return className && windowName;
}

bool WriteWindowIdentity(const CWindowIdentity& identity) {
    CRegistryKey key;
    return CreateCurrentVersionKey(key) && key.Create(key, kDirName.Load()) &&
           key.WriteString(kClassNameValue.Load(), identity.className) &&
           key.WriteString(kWindowNameValue.Load(), identity.windowName);
}
