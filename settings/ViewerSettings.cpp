#include "settings/ViewerSettings.h"

#include "settings/RegistryKey.h"
#include "settings/RegistryNames.h"
#include "settings/RegistryPath.h"

#include <windows.h>

namespace {

bool OpenViewerKey(CRegistryKey& key, HKEY root, bool create) {
    return WalkKeyPath(
        key, root, {"Software", kMakerKey.Load(), kProductKey.Load(), kSettingsVersion, kViewerKey.Load()},
        create);
}

// The value from the user's key, else the machine's, when `accept` takes it.
template <typename Accept> bool ReadChosen(const std::string& name, std::uint32_t& value, Accept accept) {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        CRegistryKey key;
        std::uint32_t read = 0;
        if (OpenViewerKey(key, root, false) && key.ReadNumber(name, read) && accept(read)) {
            value = read;
            return true;
        }
    }
    return false;
}

} // namespace

CViewerSettings ReadViewerSettings() {
    CViewerSettings settings;
    std::uint32_t value = 0;
    if (ReadChosen(kOutputValue.Load(), value, [](std::uint32_t read) { return read <= 1; }))
        settings.output = static_cast<CViewerOutput>(value);
    if (ReadChosen(kSlideshowSecondsValue.Load(), value, [](std::uint32_t read) {
            return read >= 1 && read <= CViewerSettings::kMaxSlideshowSeconds;
        }))
        settings.slideshowSeconds = value;
    return settings;
}

bool WriteViewerOutput(CViewerOutput output) {
    CRegistryKey key;
    return OpenViewerKey(key, HKEY_CURRENT_USER, true) &&
           key.WriteNumber(kOutputValue.Load(), static_cast<std::uint32_t>(output));
}
