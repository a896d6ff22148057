#pragma once
// How a capture picture is made of one copy of the screen (32 bits per pixel: blue, green, red and
// one byte unused, as the screen is read fastest). The picture has 24 bits per pixel; in the
// stereo view modes it is twice the screen's width, a first and a second half side by side, in 2D it
// is the screen's width. Picture row y shows, per view mode:
// - Interlace and Line Blank: rows 2j and 2j + 1 both show screen row 2j in the first half and screen
//   row 2j + 1 in the second; the last row of an odd height shows that screen row in both halves.
// - Sync Double: in the first half the top band (screen rows 0 to T - 1), in the second the bottom
//   band (rows B to H - 1), each stretched to the full height: the band row whose share of the
//   stretched height holds the middle of picture row y (the row that StretchBlt picks when it
//   enlarges).
// - 2D: screen row y.
// Plain code, free of Windows headers.

#include <cstddef>
#include <cstdint>
#include <span>

struct CCaptureLayout {
    std::int32_t viewMode = 0;
    int screenWidth = 0;
    int screenHeight = 0;
    int topRows = 0;     // Sync Double: rows of the top band (T)
    int bottomStart = 0; // Sync Double: first row of the bottom band (B)
};

// The layout of the capture of a `screenWidth` x `screenHeight` screen in `viewMode`. False when the view
// mode is not 0 to 3, a size is not positive, the picture would be wider or higher than a JPEG file
// holds (65535 pixels), or, in Sync Double, the screen is too small for the bands of its width.
bool CaptureLayoutOf(int screenWidth, int screenHeight, std::int32_t viewMode, CCaptureLayout& layout);

// The picture's width in pixels: twice the screen's in the stereo view modes.
int PictureWidth(const CCaptureLayout& layout) noexcept;

// The screen row that picture row `row` shows in half `half` (0 the first, 1 the second).
int ScreenRowOf(const CCaptureLayout& layout, int half, int row) noexcept;

// Writes picture rows `firstRow` to `firstRow + count - 1` into `picture` (blue, green and red bytes,
// 3 * PictureWidth bytes a row, rows `pictureStride` bytes apart) from the copy of the screen in
// `screen` (4 bytes a pixel, rows from the top, `screenStride` bytes apart). False, with nothing
// written, when the rows are not the picture's or either block is too small for them.
bool ComposePictureRows(const CCaptureLayout& layout, std::span<const std::uint8_t> screen,
                        std::size_t screenStride, int firstRow, int count, std::span<std::uint8_t> picture,
                        std::size_t pictureStride) noexcept;
