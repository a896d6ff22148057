#include "activator/TestDisplayRules.h"

#include <algorithm>
#include <cctype>

bool HasBitmapExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('\\');
    const std::string file = path.substr(slash == std::string::npos ? 0 : slash + 1);
    const std::size_t dot = file.find_last_of('.');
    if (dot == std::string::npos)
        return false;
    std::string extension = file.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == "bmp";
}

CTestBands TestDisplayBands(int width, int height) {
    int topEnd, bottomStart, bottomEnd;
    switch (width) {
    case 640:
        topEnd = 200, bottomStart = 263, bottomEnd = 463;
        break;
    case 800:
        topEnd = 287, bottomStart = 315, bottomEnd = 600;
        break;
    case 1024:
        topEnd = 365, bottomStart = 404, bottomEnd = 768;
        break;
    default:
        topEnd = height / 2 - height / 48;
        bottomStart = height / 2 + height / 48;
        bottomEnd = height;
        break;
    }
    const auto fit = [height](int row) { return std::clamp(row, 0, std::max(height, 0)); };
    return {{0, 0, width, fit(topEnd)}, {0, fit(bottomStart), width, fit(bottomEnd)}};
}
