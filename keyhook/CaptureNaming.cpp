#include "keyhook/CaptureNaming.h"

#include "settings/SettingsRules.h"
#include "settings/SettingsTypes.h"

bool IsCaptureViewMode(std::int32_t viewMode) noexcept {
    return viewMode >= kViewInterlace && viewMode <= kViewFlat2D;
}

const char* CaptureExtension(std::int32_t viewMode, CCaptureFormat format) noexcept {
    if (format == CCaptureFormat::kPng)
        return viewMode == kViewFlat2D ? ".png" : ".pns";
    return viewMode == kViewFlat2D ? ".jpg" : ".jps";
}

bool IsCaptureDirectory(const std::string& dir) {
    return ClassifyCaptureFolder(dir) == CaptureFolderKind::kFolder;
}

std::string CaptureFileName(const std::string& dir, const std::string& name, int number,
                            std::int32_t viewMode, CCaptureFormat format) {
    if (number < 0 || number >= kCaptureSeriesLength || !IsCaptureViewMode(viewMode) ||
        !IsCaptureDirectory(dir) || !IsCaptureName(name))
        return {};
    std::string path = dir + name;
    path += static_cast<char>('0' + number / 10);
    path += static_cast<char>('0' + number % 10);
    path += CaptureExtension(viewMode, format);
    if (path.size() > kMaxCapturePathLength)
        return {};
    return path;
}
