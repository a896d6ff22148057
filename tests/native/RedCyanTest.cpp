// The red-cyan anaglyph: its pixels against values worked out by hand from the published matrices,
// the rows of every kernel against those pixels, and the frame that places the two eyes.

#include "display/FrameComposition.h"
#include "display/RedCyan.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <ostream>
#include <random>
#include <vector>

namespace {

CRgbPixel Rgb(int red, int green, int blue) {
    return {static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
            static_cast<std::uint8_t>(blue)};
}

// The pixel at `bytes`, stored blue, green, red.
CRgbPixel At(const std::uint8_t* bytes) {
    return Rgb(bytes[2], bytes[1], bytes[0]);
}

void MakeSolidEye(CDibImage& eye, int width, int height, CRgbPixel colour) {
    ASSERT_TRUE(
        eye.Create(kDibTrueColour, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)));
    for (int i = 0; i < width * height; ++i)
        std::memcpy(eye.RowFromTop(i / width) + 3 * (i % width),
                    std::array{colour.blue, colour.green, colour.red}.data(), 3);
}

} // namespace

void PrintTo(const CRgbPixel& pixel, std::ostream* out) {
    *out << int(pixel.red) << "," << int(pixel.green) << "," << int(pixel.blue);
}

TEST(RedCyan, PixelsAreTheMatricesProductsRoundedAndClamped) {
    // Worked out on paper: red = 0.456 lr + 0.500 lg + 0.176 lb - 0.043 rr - 0.088 rg - 0.002 rb, and so on.
    const CRgbPixel cases[][3] = {
        // left, right, anaglyph: the exact values
        {Rgb(255, 255, 255), Rgb(0, 0, 0), Rgb(255, 0, 0)},           // 288.66, -23.97, -10.46
        {Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(0, 255, 255)},         // -33.92, 278.97, 265.46
        {Rgb(128, 128, 128), Rgb(128, 128, 128), Rgb(128, 128, 128)}, // 127.87, 128.00, 128.00
        {Rgb(255, 0, 0), Rgb(255, 0, 0), Rgb(105, 86, 0)},            // 105.32, 86.19, -22.19
        {Rgb(200, 100, 50), Rgb(60, 180, 90), Rgb(131, 141, 80)},     // 131.40, 140.58, 80.33
        {Rgb(60, 180, 90), Rgb(200, 100, 50), Rgb(116, 137, 30)},     // 115.70, 137.42, 30.47
        {Rgb(100, 150, 200), Rgb(50, 100, 150), Rgb(145, 77, 163)},   // 144.55, 76.70, 163.35
        {Rgb(0, 0, 0), Rgb(0, 0, 255), Rgb(0, 0, 255)},               // -0.51, -4.59, 312.63
        {Rgb(0, 200, 0), Rgb(0, 0, 0), Rgb(100, 0, 0)},               // 100.00, -7.60, -4.20
    };
    for (const auto& c : cases)
        EXPECT_EQ(RedCyanPixel(c[0], c[1]), c[2])
            << ::testing::PrintToString(c[0]) << " and " << ::testing::PrintToString(c[1]);
}

TEST(RedCyan, EveryKernelGivesThePixelsAndWritesNothingBeyondTheRow) {
    std::mt19937 random(26);
    // Lengths around each kernel's step (8, 4 and 1 pixels) and its look-ahead of a few pixels.
    for (std::size_t count = 0; count <= 41; ++count) {
        std::vector<std::uint8_t> left(3 * count), right(3 * count);
        for (std::size_t i = 0; i < 3 * count; ++i) {
            left[i] = static_cast<std::uint8_t>(random());
            right[i] = static_cast<std::uint8_t>(random());
        }
        for (CRedCyanKernel kernel : {CRedCyanKernel::kFastest, CRedCyanKernel::kPixelByPixel}) {
            // 16 guard bytes on both sides of the row.
            std::vector<std::uint8_t> out(3 * count + 32, 0xA5);
            RedCyanRow(left.data(), right.data(), out.data() + 16, count, kernel);
            for (std::size_t i = 0; i < count; ++i)
                ASSERT_EQ(At(&out[16 + 3 * i]), RedCyanPixel(At(&left[3 * i]), At(&right[3 * i])))
                    << "pixel " << i << " of " << count;
            for (std::size_t i = 0; i < 16; ++i)
                ASSERT_TRUE(out[i] == 0xA5 && out[16 + 3 * count + i] == 0xA5) << "a row of " << count;
        }
    }
}

TEST(RedCyan, TheFramePlacesEachEyeCentredOverBlack) {
    // A 16 x 8 screen: the 14 x 4 left eye covers rows 2-5, columns 1-14; the 8 x 8 right eye rows 0-7,
    // columns 4-11.
    CStereoPicture picture;
    MakeSolidEye(picture.left, 14, 4, Rgb(200, 100, 50));
    MakeSolidEye(picture.right, 8, 8, Rgb(60, 180, 90));
    const auto inLeft = [](int x, int y) { return y >= 2 && y <= 5 && x >= 1 && x <= 14; };
    const auto inRight = [](int x, int) { return x >= 4 && x <= 11; };
    // By hand, as above, for both eyes, the left eye alone (black for the right) and the right alone.
    // Swapped, the picture's right eye is behind the red filter, each eye still where its size puts it.
    const CRgbPixel expected[2][3] = {{Rgb(131, 141, 80), Rgb(150, 0, 0), Rgb(0, 153, 86)},
                                      {Rgb(116, 137, 30), Rgb(0, 148, 36), Rgb(133, 0, 0)}};
    // A frame of the screen's size is used again: what it held must not show.
    CDibImage frame;
    ASSERT_TRUE(frame.Create(kDibTrueColour, 16, 8));
    std::memset(frame.Pixels(), 0x77, frame.GetImageSize());
    for (bool swap : {false, true}) {
        ASSERT_TRUE(ComposeAnaglyphFrame(picture, swap, frame, 16, 8));
        ASSERT_TRUE(frame.GetWidth() == 16 && frame.GetHeight() == 8 && frame.GetBitCount() == 24);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x) {
                const CRgbPixel want = inLeft(x, y) && inRight(x, y) ? expected[swap][0]
                                       : inLeft(x, y)                ? expected[swap][1]
                                       : inRight(x, y)               ? expected[swap][2]
                                                                     : Rgb(0, 0, 0);
                EXPECT_EQ(At(frame.RowFromTop(y) + 3 * x), want)
                    << "(" << x << ", " << y << ") swapped " << swap;
            }
    }
    // Eyes larger than the screen are cut at its edges; a picture in 2D has no anaglyph.
    CStereoPicture large;
    MakeSolidEye(large.left, 40, 20, Rgb(200, 100, 50));
    MakeSolidEye(large.right, 40, 20, Rgb(60, 180, 90));
    ASSERT_TRUE(ComposeAnaglyphFrame(large, false, frame, 16, 8));
    EXPECT_EQ(At(frame.RowFromTop(7) + 3 * 15), expected[0][0]);
    large.right.Free();
    EXPECT_FALSE(ComposeAnaglyphFrame(large, false, frame, 16, 8));
}
