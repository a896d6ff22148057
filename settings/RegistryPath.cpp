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

bool OpenProductKey(CRegistryKey& key, HKEY root, bool create) {
    return WalkKeyPath(key, root, {"Software", kMakerKey.Load(), kProductKey.Load()}, create);
}

bool OpenVersionKey(CRegistryKey& key, HKEY root, bool create) {
    if (!OpenProductKey(key, root, create))
        return false;
    std::string version = kSettingsVersion;
    key.ReadString(kCurrentVersionValue.Load(), version);
    return create ? key.Create(key, version) : key.Open(key, version);
}

bool CreateCurrentVersionKey(CRegistryKey& key, HKEY root) {
    return OpenProductKey(key, root, true) &&
           key.WriteString(kCurrentVersionValue.Load(), kSettingsVersion) &&
           key.Create(key, kSettingsVersion);
}

bool OpenCaptureKey(CRegistryKey& key, HKEY root, bool create) {
    if (create)
        return WalkKeyPath(
            key, root,
            {"Software", kMakerKey.Load(), kProductKey.Load(), kSettingsVersion, kCaptureKey.Load()}, true);
    // In one call: the capture reads the settings at every capture.
    return key.Open(root, "Software\\" + kMakerKey.Load() + "\\" + kProductKey.Load() + "\\" +
                              kSettingsVersion + "\\" + kCaptureKey.Load());
}
