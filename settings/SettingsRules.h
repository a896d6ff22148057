#pragma once
// How the capture directory and base name are kept: the directory ends in a backslash, the base name
// has exactly six characters; and which directories a capture may write into. Plain functions, free of
// any Windows header.

#include <cstddef>
#include <string>

inline constexpr std::size_t kCaptureNameLength = 6;

// Appends a backslash unless `dir` already ends in one; an empty directory becomes "\".
std::string WithTrailingBackslash(std::string dir);

// The name rule: the first six characters of a longer name; a shorter one padded with '_' to six.
std::string FitCaptureName(std::string name);

// What a capture directory names.
enum class CaptureFolderKind {
    // A full path of a folder on a drive ("X:\...") or a network share ("\\server\share...").
    kFolder,
    // A relative or malformed path, one without a share name, or one holding a character that no file
    // name holds (< > " | ? * or a control character) or a colon other than the drive's.
    kNotFullPath,
    // Not a folder at all: a device or object path ("\\.\...", "\\?\...", "\??\...") or the named
    // pipes and mailslots of a host ("\\host\pipe\...", "\\host\mailslot\..."). A capture written
    // there would go to whoever serves that name.
    kDevice,
};
CaptureFolderKind ClassifyCaptureFolder(const std::string& dir);
