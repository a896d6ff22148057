#pragma once
// How a capture picture is made from the screen, band by band from the top, so that each band can be
// encoded while the next one is copied. The picture has 24 bits per pixel; in the stereo view modes it
// is twice the screen's width, a first and a second half side by side, in 2D it is the screen's width.
// Picture row y shows, per view mode:
// - Interlace and Line Blank: rows 2j and 2j + 1 both show screen row 2j in the first half and screen
//   row 2j + 1 in the second; the last row of an odd height shows that screen row in both halves.
// - Sync Double: in the first half the top band (screen rows 0 to T - 1), in the second the bottom
//   band (rows B to H - 1), each stretched to the full height: the band row whose share of the
//   stretched height holds the middle of picture row y (the row that StretchBlt picks when it
//   enlarges).
// - 2D: screen row y.
// A band's screen rows are first copied into the top rows of each half of the band; ArrangeBand then
// spreads them over the band in place. Plain code, free of Windows headers.

#include <cstddef>
#include <cstdint>
#include <span>

// Rows of a band. Even, so that every band of an Interlace picture begins at an even row.
inline constexpr int kCaptureBandRows = 32;

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

// One block of screen rows, copied unscaled into rows 0 to rows - 1 of one half of a band.
struct CBandCopy {
    int half = 0;
    int firstScreenRow = 0;
    int rows = 0;
};

// What band `band` of `bandRows` rows is made of: its picture rows and the one or two copies from the
// screen it needs.
struct CBandPlan {
    int firstRow = 0;
    int rows = 0;
    int copyCount = 0;
    CBandCopy copies[2];
};

// The number of bands of `bandRows` rows that cover the picture (the last one may be shorter).
int BandCount(const CCaptureLayout& layout, int bandRows) noexcept;
// False when the band is not one of the picture's, or `bandRows` is not a positive even number.
bool PlanBand(const CCaptureLayout& layout, int bandRows, int band, CBandPlan& plan) noexcept;

// Spreads what the plan's copies put into the top rows of each half over the whole band. `rows` holds
// the band's rows from the top, `stride` bytes apart. False, with nothing changed, when the band does
// not fit `rows`.
bool ArrangeBand(const CCaptureLayout& layout, const CBandPlan& plan, std::span<std::uint8_t> rows,
                 std::size_t stride) noexcept;
