#include "keyhook/RowSeparation.h"

#include <cstring>

bool SeparateInterlacedRows(std::span<std::uint8_t> bits, std::size_t stride, int screenWidth,
                            int height) noexcept {
    if (screenWidth <= 0 || height <= 0)
        return false;
    const std::size_t halfBytes = 3 * static_cast<std::size_t>(screenWidth);
    const auto rows = static_cast<std::size_t>(height);
    if (stride < 2 * halfBytes || bits.size() / stride < rows)
        return false;

    auto memoryRow = [&](std::size_t pictureRow) { return bits.data() + (rows - 1 - pictureRow) * stride; };
    std::size_t even = 0;
    for (; even + 1 < rows; even += 2) {
        std::uint8_t* upper = memoryRow(even);
        std::uint8_t* lower = memoryRow(even + 1);
        std::memcpy(upper + halfBytes, lower, halfBytes);
        std::memcpy(lower + halfBytes, lower, halfBytes);
        std::memcpy(lower, upper, halfBytes);
    }
    if (even < rows) {
        std::uint8_t* last = memoryRow(even);
        std::memcpy(last + halfBytes, last, halfBytes);
    }
    return true;
}
