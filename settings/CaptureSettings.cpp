#include "settings/CaptureSettings.h"

#include "settings/RegistryNames.h"
#include "settings/RegistryPath.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsRules.h"

#include <windows.h>
#include <shlobj.h>

#include <utility>

std::string BuiltInCaptureDir() {
    wchar_t* pictures = nullptr;
    // KF_FLAG_DONT_VERIFY: the path alone, without looking at (or creating) the folder.
    const HRESULT found = SHGetKnownFolderPath(FOLDERID_Pictures, KF_FLAG_DONT_VERIFY, nullptr, &pictures);
    std::wstring folder = SUCCEEDED(found) && pictures ? pictures : L"";
    CoTaskMemFree(pictures);
    if (folder.empty())
        return {};
    folder += L"\\";
    for (const char* c = kCaptureFolderName; *c; ++c)
        folder += static_cast<wchar_t>(*c);
    folder += L"\\";
    char text[MAX_PATH];
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, folder.c_str(), -1, text,
                                           sizeof text, nullptr, &lossy);
    return length > 0 && !lossy ? std::string(text) : std::string();
}

namespace {

bool IsFolder(const std::string& dir) {
    return ClassifyCaptureFolder(dir) == CaptureFolderKind::kFolder;
}

// "Lossless" holds 0 or 1.
bool IsFlag(std::uint32_t value) {
    return value <= 1;
}

} // namespace

CCaptureSettingsFound ReadCaptureSettings(CCaptureSettings& settings) {
    const CSettingsKeys keys(CSettingsKeys::CCaptureKeyTag{});
    CCaptureSettingsFound found;
    std::uint32_t viewMode = 0;
    if ((found.viewMode = keys.ReadNumber(kViewModeValue.Load(), viewMode)))
        settings.viewMode = static_cast<std::int32_t>(viewMode);
    keys.ReadString(kDefaultDirValue.Load(), settings.defaultDir, IsFolder);
    keys.ReadString(kDefaultNameValue.Load(), settings.defaultName, IsCaptureName);
    found.dir = keys.ReadString(kDirName.Load(), settings.dir, IsFolder) ||
                keys.ReadString(kDefaultDirValue.Load(), settings.dir, IsFolder);
    if (!found.dir) {
        std::string builtIn = BuiltInCaptureDir();
        if ((found.dir = IsFolder(builtIn)))
            settings.dir = std::move(builtIn);
    }
    found.name = keys.ReadString(kNameValue.Load(), settings.name, IsCaptureName) ||
                 keys.ReadString(kDefaultNameValue.Load(), settings.name, IsCaptureName);
    std::uint32_t lossless = 0;
    if (keys.ReadNumber(kLosslessValue.Load(), lossless, IsFlag))
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
