#pragma once
// How the capture directory and base name are kept: the directory ends in a backslash, the base name
// has exactly six characters. Plain functions, free of any Windows header.

#include <cstddef>
#include <string>

inline constexpr std::size_t kCaptureNameLength = 6;

// Appends a backslash unless `dir` already ends in one; an empty directory becomes "\".
std::string WithTrailingBackslash(std::string dir);

// The name rule: the first six characters of a longer name; a shorter one padded with '_' to six.
std::string FitCaptureName(std::string name);
