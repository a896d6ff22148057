#pragma once
// The row separation of an Interlace or Line Blank capture. The picture is 24 bits per pixel, twice the
// screen's width, stored bottom-up (picture row r is memory row height - 1 - r), and both halves hold
// the screen. Afterwards the left half shows the screen's even rows and the right half its odd rows,
// each row twice: for each pair of picture rows 2j and 2j + 1, the left half copies row 2j over row
// 2j + 1 and the right half copies row 2j + 1 over row 2j. The last row of an odd height keeps what
// was captured. Plain code, free of Windows headers.

#include <cstddef>
#include <cstdint>
#include <span>

// False, with nothing changed, when the rows of `screenWidth` x `height` do not fit `stride` and `bits`.
bool SeparateInterlacedRows(std::span<std::uint8_t> bits, std::size_t stride, int screenWidth, int height) noexcept;
