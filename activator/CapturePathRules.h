#pragma once
// How a file chosen in the capture settings' save-file dialog becomes a capture directory and base
// name, and what the settings' OK refuses. Plain code, free of any Windows header.

#include <cstdint>
#include <string>

struct CCaptureLocation {
    std::string dir;  // the chosen path up to and including its last backslash
    std::string name; // the file's title (without the part from its last '.' on), made six characters long
};

CCaptureLocation SplitChosenCapturePath(const std::string& path);

// Why captures could not be named from a directory and base name as the settings would store them.
enum class CCaptureEntryProblem {
    kNone,
    kName,       // the name holds \ / : * ? " < > | or a control character
    kDeviceName, // the name, as typed or made six long, is one that Windows opens as a device (NUL, COM1)
    kDirectory,  // the directory is no full path ("X:\..." or "\\server\share..."), or holds such a character
    kDevice,     // the directory is a device or pipe path, no folder (ClassifyCaptureFolder)
    kTooLong,    // the pictures' paths would be longer than a capture may write
};

// `dir` with its final backslash, `name` as typed (the name rule still to be applied); `viewMode` is
// one of the four ViewMode values. The name is checked first, then the directory, then the length.
CCaptureEntryProblem CheckCaptureEntry(const std::string& dir, const std::string& name,
                                       std::int32_t viewMode);
