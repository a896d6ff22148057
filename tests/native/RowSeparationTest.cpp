#include "keyhook/RowSeparation.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A 2W x H picture, 24 bits, bottom-up, stride padded to 4 bytes plus `extraStride`, whose left half
// holds "screen" row r as bytes (r, column, channel) and whose right half holds garbage.
struct CPicture {
    int width;
    int height;
    std::size_t stride;
    std::vector<std::uint8_t> bits;

    CPicture(int w, int h, std::size_t extraStride = 0)
        : width(w), height(h), stride((6 * static_cast<std::size_t>(w) + 3) / 4 * 4 + extraStride),
          bits(stride * static_cast<std::size_t>(h), 0xEE) {
        for (int r = 0; r < h; ++r)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c)
                    Pixel(r, x)[c] = Screen(r, x, c);
    }
    static std::uint8_t Screen(int row, int x, int channel) {
        return static_cast<std::uint8_t>(row * 7 + x * 3 + channel);
    }
    std::uint8_t* Pixel(int pictureRow, int column) {
        return bits.data() + static_cast<std::size_t>(height - 1 - pictureRow) * stride + 3 * column;
    }
    // Whether picture row `row` shows screen row `left` in the left half and `right` in the right half.
    bool Shows(int row, int left, int right) {
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                if (Pixel(row, x)[c] != Screen(left, x, c) || Pixel(row, width + x)[c] != Screen(right, x, c))
                    return false;
        return true;
    }
};

} // namespace

TEST(RowSeparation, EvenRowsGoLeftAndOddRowsRightEachTwice) {
    CPicture picture(5, 6);
    ASSERT_TRUE(SeparateInterlacedRows(picture.bits, picture.stride, picture.width, picture.height));
    for (int row = 0; row < 6; ++row)
        EXPECT_TRUE(picture.Shows(row, row / 2 * 2, row / 2 * 2 + 1)) << row;
}

TEST(RowSeparation, TheLastRowOfAnOddHeightStaysAsCapturedAndPaddingIsUntouched) {
    CPicture picture(3, 5, 8);
    ASSERT_TRUE(SeparateInterlacedRows(picture.bits, picture.stride, picture.width, picture.height));
    for (int row = 0; row < 4; ++row)
        EXPECT_TRUE(picture.Shows(row, row / 2 * 2, row / 2 * 2 + 1)) << row;
    EXPECT_TRUE(picture.Shows(4, 4, 4));
    // The bytes past 2W pixels in each row are never written.
    for (int row = 0; row < 5; ++row)
        for (std::size_t i = 6 * 3; i < picture.stride; ++i)
            EXPECT_EQ(picture.bits[static_cast<std::size_t>(row) * picture.stride + i], 0xEE);
}

TEST(RowSeparation, OneRowAndGeometriesThatDoNotFitTheBuffer) {
    CPicture single(4, 1);
    ASSERT_TRUE(SeparateInterlacedRows(single.bits, single.stride, 4, 1));
    EXPECT_TRUE(single.Shows(0, 0, 0));

    CPicture picture(4, 4);
    const std::vector<std::uint8_t> before = picture.bits;
    EXPECT_FALSE(SeparateInterlacedRows(picture.bits, picture.stride, 5, 4)); // rows wider than the stride
    EXPECT_FALSE(SeparateInterlacedRows(picture.bits, picture.stride, 4, 5)); // more rows than the buffer
    EXPECT_FALSE(
        SeparateInterlacedRows(std::span(picture.bits).first(picture.bits.size() - 1), picture.stride, 4, 4));
    EXPECT_FALSE(SeparateInterlacedRows(picture.bits, picture.stride, 0, 4));
    EXPECT_FALSE(SeparateInterlacedRows(picture.bits, picture.stride, 4, -2));
    EXPECT_FALSE(SeparateInterlacedRows(picture.bits, 0, 4, 4));
    EXPECT_EQ(picture.bits, before);
}
