#pragma once
// The line codes that command the stereo controller: stacks of one-pixel lines of pure colours at the
// top of the screen, one code per stereo mode. Plain data, free of any Windows header.

#include <cstddef>
#include <cstdint>
#include <span>

// A colour in the COLORREF layout 0x00BBGGRR.
using CodeColour = std::uint32_t;
inline constexpr CodeColour kCodeRed = 0x000000FF;
inline constexpr CodeColour kCodeGreen = 0x0000FF00;
inline constexpr CodeColour kCodeYellow = 0x0000FFFF;
inline constexpr CodeColour kCodeBlack = 0x00000000;

// The screen band that a code is shown in: the top 40 rows, the full width of the screen.
inline constexpr int kCodeBandHeight = 40;

// Code numbers of the stereo modes.
inline constexpr int kCodeInterlace = 9;
inline constexpr int kCodePageFlip = 7;
inline constexpr int kCodeSyncDouble = 6;
inline constexpr int kCodeLineBlank = 8;
inline constexpr int kCodeNormal = -2;

// One line of a code: row 0 is the top row of the band.
struct CodeLine {
    int row;
    CodeColour colour;
};

// The lines of code number `code`, in ascending row order; empty for a number without a pattern.
std::span<const CodeLine> PatternForCode(int code);

// The 32-row codes that follow the Interlace and Normal codes: every row of code 9 (or -2) doubled.
std::span<const CodeLine> DoubleInterlacePattern();
std::span<const CodeLine> DoubleNormalPattern();
