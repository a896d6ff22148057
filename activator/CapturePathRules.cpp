#include "activator/CapturePathRules.h"

#include "keyhook/CaptureNaming.h"
#include "settings/SettingsRules.h"

CCaptureLocation SplitChosenCapturePath(const std::string& path) {
    const std::size_t slash = path.find_last_of('\\');
    const std::size_t fileStart = slash == std::string::npos ? 0 : slash + 1;
    std::string title = path.substr(fileStart);
    if (const std::size_t dot = title.find_last_of('.'); dot != std::string::npos)
        title.erase(dot);
    return {path.substr(0, fileStart), FitCaptureName(std::move(title))};
}

CCaptureEntryProblem CheckCaptureEntry(const std::string& dir, const std::string& name,
                                       std::int32_t viewMode) {
    const std::string fitted = FitCaptureName(name);
    if (!IsFileNameText(name))
        return CCaptureEntryProblem::kName;
    if (!IsCaptureName(name) || !IsCaptureName(fitted))
        return CCaptureEntryProblem::kDeviceName;
    switch (ClassifyCaptureFolder(dir)) {
    case CaptureFolderKind::kDevice:
        return CCaptureEntryProblem::kDevice;
    case CaptureFolderKind::kNotFullPath:
        return CCaptureEntryProblem::kDirectory;
    case CaptureFolderKind::kFolder:
        break;
    }
    // Every number of the series makes a path of the same length.
    if (CaptureFileName(dir, fitted, 0, viewMode).empty())
        return CCaptureEntryProblem::kTooLong;
    return CCaptureEntryProblem::kNone;
}
