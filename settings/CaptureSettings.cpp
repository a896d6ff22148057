#include "settings/CaptureSettings.h"

#include "settings/RegistryNames.h"
#include "settings/RegistryPath.h"
#include "settings/SettingsRules.h"

#include <windows.h>

std::string BuiltInCaptureDir() {
    char windows[512];
    const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows)
        windows[0] = '\0';
    return std::string(windows) + "\\Temp\\";
}

CCaptureSettingsFound ReadCaptureSettings(CCaptureSettings& settings) {
    CCaptureSettingsFound found;
    CRegistryKey key;
    if (!OpenCaptureKey(key, false))
        return found;
    std::uint32_t viewMode = 0;
    if ((found.viewMode = key.ReadNumber(kViewModeValue.Load(), viewMode)))
        settings.viewMode = static_cast<std::int32_t>(viewMode);
    key.ReadString(kDefaultDirValue.Load(), settings.defaultDir);
    key.ReadString(kDefaultNameValue.Load(), settings.defaultName);
    found.dir = key.ReadString(kDirName.Load(), settings.dir) ||
                key.ReadString(kDefaultDirValue.Load(), settings.dir);
    found.name = key.ReadString(kNameValue.Load(), settings.name) ||
                 key.ReadString(kDefaultNameValue.Load(), settings.name);
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
    if (!OpenCaptureKey(key, true))
        return false;
    const bool viewModeWritten = key.WriteNumber(kViewModeValue.Load(), static_cast<std::uint32_t>(viewMode));
    const bool dirWritten = key.WriteString(kDirName.Load(), dir);
    const bool nameWritten = key.WriteString(kNameValue.Load(), name);
    return viewModeWritten && dirWritten && nameWritten;
}
