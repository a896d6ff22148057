#include "pager/ProgramPath.h"

namespace {
bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}
bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
} // namespace

bool IsFullPath(std::string_view path) {
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && IsSeparator(path[2]))
        return true;
    // "\\server\share": two separators and a name after them.
    return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]);
}

std::string ActivatorBesideModule(std::string_view modulePath) {
    if (!IsFullPath(modulePath))
        return {};
    std::string_view::size_type separator = modulePath.find_last_of("\\/");
    return std::string(modulePath.substr(0, separator + 1)) + kActivatorFileName;
}

std::string StartErrorText(int code, std::string_view path) {
    return "ShellExecute Error!(" + std::to_string(code) + ")\nCan't Run " + std::string(path) + "!";
}
