#include "settings/SettingsRules.h"

#include <string_view>

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Characters that no Windows file name holds besides the separators.
bool IsForbiddenInPath(char c) {
    return static_cast<unsigned char>(c) < 0x20 ||
           std::string_view("<>\"|?*").find(c) != std::string_view::npos;
}

bool SameLetters(std::string_view text, std::string_view lowerCase) {
    if (text.size() != lowerCase.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (c != lowerCase[i])
            return false;
    }
    return true;
}

// The path component that starts at `start`, up to the next separator.
std::string_view ComponentAt(std::string_view path, std::size_t start) {
    if (start >= path.size())
        return {};
    std::size_t end = start;
    while (end < path.size() && !IsSeparator(path[end]))
        ++end;
    return path.substr(start, end - start);
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameUpperCase(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (Upper(text[i]) != upper[i])
            return false;
    return true;
}

// A digit as Windows counts it after COM and LPT: 0 to 9, or a superscript 1, 2 or 3.
bool IsPortDigit(std::string_view digit) {
    if (digit.size() == 1)
        return (digit[0] >= '0' && digit[0] <= '9') || digit == "\xB9" || digit == "\xB2" || digit == "\xB3";
    return digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

} // namespace

bool IsReservedDeviceName(std::string_view name) {
    std::string_view base = name.substr(0, name.find_first_of(".:"));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    for (std::string_view device : {"CON", "PRN", "AUX", "NUL"})
        if (SameUpperCase(base, device))
            return true;
    return base.size() > 3 &&
           (SameUpperCase(base.substr(0, 3), "COM") || SameUpperCase(base.substr(0, 3), "LPT")) &&
           IsPortDigit(base.substr(3));
}

bool IsFileNameText(std::string_view name) {
    for (char c : name) {
        if (IsForbiddenInPath(c) || IsSeparator(c) || c == ':')
            return false;
    }
    return true;
}

bool IsCaptureName(const std::string& name) {
    return IsFileNameText(name) && !IsReservedDeviceName(name);
}

std::string WithTrailingBackslash(std::string dir) {
    if (dir.empty() || dir.back() != '\\')
        dir.push_back('\\');
    return dir;
}

std::string FitCaptureName(std::string name) {
    name.resize(kCaptureNameLength, '_');
    return name;
}

CaptureFolderKind ClassifyCaptureFolder(const std::string& dir) {
    const std::string_view path(dir);
    const bool twoSeparators = path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
    // The NT object namespace, as "\??\C:\..." reaches it.
    if (path.size() >= 3 && IsSeparator(path[0]) && path[1] == '?' && path[2] == '?')
        return CaptureFolderKind::kDevice;
    if (twoSeparators) {
        const std::string_view server = ComponentAt(path, 2);
        if (server == "." || server == "?")
            return CaptureFolderKind::kDevice;
        const std::string_view share = ComponentAt(path, 2 + server.size() + 1);
        if (SameLetters(share, "pipe") || SameLetters(share, "mailslot"))
            return CaptureFolderKind::kDevice;
        if (server.empty() || share.empty())
            return CaptureFolderKind::kNotFullPath;
    } else if (!(path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && IsSeparator(path[2]))) {
        return CaptureFolderKind::kNotFullPath;
    }
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (IsForbiddenInPath(path[i]) || (path[i] == ':' && i != 1))
            return CaptureFolderKind::kNotFullPath;
    }
    // The folders below the drive or the share.
    std::size_t start = twoSeparators ? 2 : 3;
    if (twoSeparators)
        for (int skipped = 0; skipped < 2 && start < path.size(); ++skipped)
            start += ComponentAt(path, start).size() + 1;
    for (; start < path.size(); start += ComponentAt(path, start).size() + 1)
        if (IsReservedDeviceName(ComponentAt(path, start)))
            return CaptureFolderKind::kDevice;
    return CaptureFolderKind::kFolder;
}
