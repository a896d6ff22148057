#include "linecode/LineCodePatterns.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A pattern written the way the controller's documentation lists it: the rows it paints and one colour
// letter per row (R red, G green, Y yellow, K black).
struct Listed {
    int code;
    int rowStep;
    std::string colours;
};

CodeColour FromLetter(char letter) {
    switch (letter) {
    case 'R':
        return 0x000000FF;
    case 'G':
        return 0x0000FF00;
    case 'Y':
        return 0x0000FFFF;
    case 'K':
        return 0;
    }
    ADD_FAILURE() << "bad letter " << letter;
    return 0xFFFFFFFF;
}

std::vector<std::pair<int, CodeColour>> Expand(int rowStep, const std::string& colours, int repeat = 1) {
    std::vector<std::pair<int, CodeColour>> lines;
    for (size_t i = 0; i < colours.size(); ++i)
        for (int r = 0; r < repeat; ++r)
            lines.emplace_back(static_cast<int>(i) * rowStep * repeat + r, FromLetter(colours[i]));
    return lines;
}

std::vector<std::pair<int, CodeColour>> Actual(std::span<const CodeLine> pattern) {
    std::vector<std::pair<int, CodeColour>> lines;
    for (const CodeLine& line : pattern)
        lines.emplace_back(line.row, line.colour);
    return lines;
}

} // namespace

TEST(LineCodePatterns, EveryCodeNumberPaintsItsListedRowsAndColours) {
    const Listed listed[] = {
        {1, 2, "RRRRGYYR"},         {2, 2, "RRRRGYYG"},          {3, 2, "RRRRGYYY"},
        {4, 2, "RRRRGYYYG"},        {5, 2, "RRRRGYY"},           {-1, 2, "RRRRGYY"},
        {6, 1, "RGRGRGRGGGYGYGGG"}, {7, 1, "RGRGRGRGGGYGYGRG"},  {9, 1, "RGRGRGRGGGYGYGRG"},
        {8, 1, "RGRGRGRGGGYGYGYG"}, {-2, 1, "RGRGRGRGGGYGYGKG"},
    };
    for (const Listed& code : listed)
        EXPECT_EQ(Actual(PatternForCode(code.code)), Expand(code.rowStep, code.colours))
            << "code " << code.code;
}

TEST(LineCodePatterns, NumbersOutsideTheTablePaintNothing) {
    for (int code : {0, 10, -3, 100, -100, 2147483647, -2147483647 - 1})
        EXPECT_TRUE(PatternForCode(code).empty()) << "code " << code;
}

TEST(LineCodePatterns, DoubleHeightCodesAreTheModeCodesWithEveryRowDoubled) {
    EXPECT_EQ(Actual(DoubleInterlacePattern()), Expand(1, "RGRGRGRGGGYGYGRG", 2));
    EXPECT_EQ(Actual(DoubleNormalPattern()), Expand(1, "RGRGRGRGGGYGYGKG", 2));
    // The two pairs differ only in rows 28 and 29 (red for Interlace, black for Normal).
    auto interlace = DoubleInterlacePattern();
    auto normal = DoubleNormalPattern();
    ASSERT_EQ(interlace.size(), 32u);
    for (size_t row = 0; row < 32; ++row) {
        if (row == 28 || row == 29) {
            EXPECT_EQ(interlace[row].colour, kCodeRed);
            EXPECT_EQ(normal[row].colour, kCodeBlack);
        } else {
            EXPECT_EQ(interlace[row].colour, normal[row].colour) << "row " << row;
        }
    }
}

TEST(LineCodePatterns, EveryPatternFitsTheBandInAscendingRows) {
    auto check = [](std::span<const CodeLine> pattern, int lastRow) {
        int previous = -1;
        for (const CodeLine& line : pattern) {
            EXPECT_GT(line.row, previous);
            previous = line.row;
        }
        EXPECT_EQ(previous, lastRow);
        EXPECT_LT(previous, kCodeBandHeight);
    };
    check(PatternForCode(4), 16); // the only single code that reaches row 16
    for (int code : {6, 7, 8, 9, -2})
        check(PatternForCode(code), 15);
    for (int code : {1, 2, 3})
        check(PatternForCode(code), 14);
    check(PatternForCode(5), 12);
    check(DoubleInterlacePattern(), 31);
    check(DoubleNormalPattern(), 31);
}
