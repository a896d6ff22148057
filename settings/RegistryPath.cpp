#include "settings/RegistryPath.h"

#include "settings/RegistryNames.h"

bool WalkKeyPath(CRegistryKey& key, HKEY root, std::initializer_list<std::string> path, bool create) {
    HKEY parent = root;
    for (const std::string& name : path) {
        if (!(create ? key.Create(parent, name) : key.Open(parent, name)))
            return false;
        parent = key;
    }
    return true;
}

bool OpenCaptureKey(CRegistryKey& key, bool create) {
    return WalkKeyPath(
        key, HKEY_LOCAL_MACHINE,
        {"Software", kMakerKey.Load(), kProductKey.Load(), kSettingsVersion, kCaptureKey.Load()}, create);
}
