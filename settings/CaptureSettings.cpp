#include "settings/CaptureSettings.h"

#include "settings/RegistryNames.h"
#include "settings/RegistryPath.h"
#include "settings/SettingsRules.h"

#include <windows.h>

#include <utility>

std::string BuiltInCaptureDir() {
    char windows[512];
    const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows)
        windows[0] = '\0';
    return std::string(windows) + "\\Temp\\";
}

namespace {

// The two places of the capture settings, searched value by value: the user's key first, then the
// machine's. A key that does not open has nothing to give.
class CCaptureKeys {
public:
    CCaptureKeys() {
        OpenCaptureKey(m_keys[0], HKEY_CURRENT_USER, false);
        OpenCaptureKey(m_keys[1], HKEY_LOCAL_MACHINE, false);
    }

    bool ReadNumber(const std::string& name, std::uint32_t& value) const {
        for (const CRegistryKey& key : m_keys)
            if (key.ReadNumber(name, value))
                return true;
        return false;
    }
    bool ReadString(const std::string& name, std::string& value) const {
        for (const CRegistryKey& key : m_keys)
            if (key.ReadString(name, value))
                return true;
        return false;
    }
    // A number other than 0 or 1 counts as missing where it is stored.
    bool ReadFlag(const std::string& name, std::uint32_t& value) const {
        for (const CRegistryKey& key : m_keys)
            if (key.ReadNumber(name, value) && value <= 1)
                return true;
        return false;
    }
    // A directory that is no folder on a drive or a share counts as missing where it is stored.
    bool ReadDirectory(const std::string& name, std::string& value) const {
        for (const CRegistryKey& key : m_keys) {
            std::string dir;
            if (key.ReadString(name, dir) && ClassifyCaptureFolder(dir) == CaptureFolderKind::kFolder) {
                value = std::move(dir);
                return true;
            }
        }
        return false;
    }

private:
    CRegistryKey m_keys[2];
};

} // namespace

CCaptureSettingsFound ReadCaptureSettings(CCaptureSettings& settings) {
    const CCaptureKeys keys;
    CCaptureSettingsFound found;
    std::uint32_t viewMode = 0;
    if ((found.viewMode = keys.ReadNumber(kViewModeValue.Load(), viewMode)))
        settings.viewMode = static_cast<std::int32_t>(viewMode);
    keys.ReadDirectory(kDefaultDirValue.Load(), settings.defaultDir);
    keys.ReadString(kDefaultNameValue.Load(), settings.defaultName);
    found.dir = keys.ReadDirectory(kDirName.Load(), settings.dir) ||
                keys.ReadDirectory(kDefaultDirValue.Load(), settings.dir);
    found.name = keys.ReadString(kNameValue.Load(), settings.name) ||
                 keys.ReadString(kDefaultNameValue.Load(), settings.name);
    std::uint32_t lossless = 0;
    if (keys.ReadFlag(kLosslessValue.Load(), lossless))
        settings.lossless = lossless == 1;
    return found;
}

void ReadCaptureSettingsToEdit(CCaptureSettings& settings) {
    const CCaptureSettingsFound found = ReadCaptureSettings(settings);
    if (!found.dir)
        settings.dir = settings.defaultDir;
    if (!found.name)
        settings.name = settings.defaultName;
    settings.dir = WithTrailingBackslash(std::move(settings.dir));
    settings.name = FitCaptureName(std::move(settings.name));
}

bool WriteCaptureSettings(std::int32_t viewMode, const std::string& dir, const std::string& name) {
    CRegistryKey key;
    if (!OpenCaptureKey(key, HKEY_CURRENT_USER, true))
        return false;
    const bool viewModeWritten = key.WriteNumber(kViewModeValue.Load(), static_cast<std::uint32_t>(viewMode));
    const bool dirWritten = key.WriteString(kDirName.Load(), dir);
    const bool nameWritten = key.WriteString(kNameValue.Load(), name);
    return viewModeWritten && dirWritten && nameWritten;
}

bool WriteCaptureLossless(bool lossless) {
    CRegistryKey key;
    return OpenCaptureKey(key, HKEY_CURRENT_USER, true) &&
           key.WriteNumber(kLosslessValue.Load(), lossless ? 1 : 0);
}
