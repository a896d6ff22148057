#pragma once
// The row separation of an Interlace or Line Blank capture. The picture is 24 bits per pixel, twice the
// screen's width, stored bottom-up (picture row r is memory row height - 1 - r), and its left half
// holds the screen as copied; what the right half holds does not matter. Afterwards the left half
// shows the screen's even rows and the right half its odd rows, each row twice: picture rows 2j and
// 2j + 1 show screen row 2j on the left and screen row 2j + 1 on the right. The last row of an odd
// height has no partner and shows that screen row in both halves. The screen is thus read once;
// each pair of rows costs three copies of half a row. Plain code, free of Windows headers.

#include <cstddef>
#include <cstdint>
#include <span>

// False, with nothing changed, when the rows of `screenWidth` x `height` do not fit `stride` and `bits`.
bool SeparateInterlacedRows(std::span<std::uint8_t> bits, std::size_t stride, int screenWidth,
                            int height) noexcept;
