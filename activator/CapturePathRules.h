#pragma once
// How a file chosen in the capture settings' save-file dialog becomes a capture directory and base
// name. Plain code, free of any Windows header.

#include <string>

struct CCaptureLocation {
    std::string dir;  // the chosen path up to and including its last backslash
    std::string name; // the file's title (without the part from its last '.' on), made six characters long
};

CCaptureLocation SplitChosenCapturePath(const std::string& path);
