#pragma once
// The layout of a device-independent bitmap in memory: a 40-byte BITMAPINFOHEADER, a colour table of
// 2, 16 or 256 four-byte entries for 1, 4 or 8 bits per pixel (none for other depths), then the pixel
// rows, each padded to a multiple of 4 bytes. Plain code, free of Windows headers.

#include <cstdint>

inline constexpr std::uint32_t kDibHeaderBytes = 40;

// The colour-table entries that a DIB of `bitCount` bits per pixel carries.
std::uint32_t ColourTableEntries(std::uint32_t bitCount);

struct CDibLayout {
    std::uint32_t tableEntries = 0;
    std::uint32_t headerBytes = 0; // header and colour table
    std::uint32_t stride = 0;      // bytes per stored row
    std::uint32_t imageBytes = 0;  // stride x rows
};

// The layout of a `width` x `height` DIB of `bitCount` bits per pixel (a negative height stands for
// rows stored top-down). False when a size is zero or negative, or when the row or image size does not
// fit 32 bits, so that nothing computed from a hostile header can wrap around.
bool DibLayoutOf(std::int64_t width, std::int64_t height, std::uint32_t bitCount, CDibLayout& layout);
