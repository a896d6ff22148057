#include "settings/SettingsRules.h"

std::string WithTrailingBackslash(std::string dir) {
    if (dir.empty() || dir.back() != '\\')
        dir.push_back('\\');
    return dir;
}

std::string FitCaptureName(std::string name) {
    name.resize(kCaptureNameLength, '_');
    return name;
}
