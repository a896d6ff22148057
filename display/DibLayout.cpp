#include "display/DibLayout.h"

#include <limits>

std::uint32_t ColourTableEntries(std::uint32_t bitCount) {
    switch (bitCount) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

bool DibLayoutOf(std::int64_t width, std::int64_t height, std::uint32_t bitCount, CDibLayout& layout) {
    const std::uint64_t rows =
        height < 0 ? static_cast<std::uint64_t>(-height) : static_cast<std::uint64_t>(height);
    if (width <= 0 || rows == 0 || bitCount == 0 || bitCount > 32 ||
        width > std::numeric_limits<std::int32_t>::max() ||
        rows > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
        return false;
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
    const std::uint64_t image = stride * rows;
    if (image > std::numeric_limits<std::uint32_t>::max())
        return false;
    layout.tableEntries = ColourTableEntries(bitCount);
    layout.headerBytes = kDibHeaderBytes + 4 * layout.tableEntries;
    layout.stride = static_cast<std::uint32_t>(stride);
    layout.imageBytes = static_cast<std::uint32_t>(image);
    return true;
}
