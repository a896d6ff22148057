#include "linecode/LineCodePatterns.h"

#include <array>

namespace {

constexpr CodeColour ColourOf(char letter) {
    switch (letter) {
    case 'R':
        return kCodeRed;
    case 'G':
        return kCodeGreen;
    case 'Y':
        return kCodeYellow;
    default:
        return kCodeBlack;
    }
}

// The lines of a colour word: letter i goes to row i * rowStep.
template <std::size_t N> constexpr auto Lines(const char (&word)[N], int rowStep) {
    std::array<CodeLine, N - 1> lines{};
    for (std::size_t i = 0; i + 1 < N; ++i)
        lines[i] = CodeLine{static_cast<int>(i) * rowStep, ColourOf(word[i])};
    return lines;
}

// The lines of a colour word with every row doubled: letter i goes to rows 2i and 2i + 1.
template <std::size_t N> constexpr auto DoubledLines(const char (&word)[N]) {
    std::array<CodeLine, 2 * (N - 1)> lines{};
    for (std::size_t i = 0; i + 1 < N; ++i) {
        lines[2 * i] = CodeLine{static_cast<int>(2 * i), ColourOf(word[i])};
        lines[2 * i + 1] = CodeLine{static_cast<int>(2 * i + 1), ColourOf(word[i])};
    }
    return lines;
}

// The eight-line codes use the even rows only; the sixteen-line codes every row.
constexpr auto kCode1 = Lines("RRRRGYYR", 2);
constexpr auto kCode2 = Lines("RRRRGYYG", 2);
constexpr auto kCode3 = Lines("RRRRGYYY", 2);
constexpr auto kCode4 = Lines("RRRRGYYYG", 2);
constexpr auto kCode5 = Lines("RRRRGYY", 2);
constexpr auto kCode6 = Lines("RGRGRGRGGGYGYGGG", 1);
constexpr auto kCode7 = Lines("RGRGRGRGGGYGYGRG", 1);
constexpr auto kCode8 = Lines("RGRGRGRGGGYGYGYG", 1);
constexpr auto kCodeMinus2 = Lines("RGRGRGRGGGYGYGKG", 1);
constexpr auto kDoubleInterlace = DoubledLines("RGRGRGRGGGYGYGRG");
constexpr auto kDoubleNormal = DoubledLines("RGRGRGRGGGYGYGKG");

} // namespace

std::span<const CodeLine> PatternForCode(int code) {
    switch (code) {
    case 1:
        return kCode1;
    case 2:
        return kCode2;
    case 3:
        return kCode3;
    case 4:
        return kCode4;
    case 5:
    case -1:
        return kCode5;
    case 6:
        return kCode6;
    case 7:
    case 9:
        return kCode7;
    case 8:
        return kCode8;
    case -2:
        return kCodeMinus2;
    default: // code 0 and every number outside the table paint nothing
        return {};
    }
}

std::span<const CodeLine> DoubleInterlacePattern() {
    return kDoubleInterlace;
}

std::span<const CodeLine> DoubleNormalPattern() {
    return kDoubleNormal;
}
