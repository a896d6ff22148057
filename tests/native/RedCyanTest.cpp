// The red-cyan anaglyph: its pixels against values worked out by hand from the published matrices,
// the rows of every kernel against those pixels, and the frame that places the two eyes.

#include "display/FrameComposition.h"
#include "display/RedCyan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace {

// Pixels as 0xRRGGBB.
CRgbPixel Pixel(std::uint32_t rgb) {
    return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
            static_cast<std::uint8_t>(rgb)};
}
std::uint32_t Rgb(CRgbPixel pixel) {
    return std::uint32_t{pixel.red} << 16 | pixel.green << 8 | pixel.blue;
}
// The pixel stored at `bytes`: blue, green, red.
std::uint32_t At(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[2]} << 16 | bytes[1] << 8 | bytes[0];
}

void MakeSolidEye(CDibImage& eye, int width, int height, std::uint32_t rgb) {
    ASSERT_TRUE(
        eye.Create(kDibTrueColour, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)));
    for (int i = 0; i < width * height; ++i)
        std::memcpy(eye.RowFromTop(i / width) + 3 * (i % width), &rgb, 3);
}

} // namespace

TEST(RedCyan, PixelsAreTheMatricesProductsRoundedAndClamped) {
    // Worked out on paper: red = 0.456 lr + 0.500 lg + 0.176 lb - 0.043 rr - 0.088 rg - 0.002 rb, and so
    // on; left, right, anaglyph, and the exact values.
    const std::uint32_t cases[][3] = {
        {0xFFFFFF, 0x000000, 0xFF0000}, // 288.66, -23.97, -10.46
        {0x000000, 0xFFFFFF, 0x00FFFF}, // -33.92, 278.97, 265.46
        {0xFF0000, 0xFF0000, 0x695600}, // 105.32, 86.19, -22.19
        {0xC86432, 0x3CB45A, 0x838D50}, // 200,100,50 and 60,180,90: 131.40, 140.58, 80.33
        {0x3CB45A, 0xC86432, 0x74891E}, // 115.70, 137.42, 30.47
        {0x6496C8, 0x326496, 0x914DA3}, // 100,150,200 and 50,100,150: 144.55, 76.70, 163.35
        {0x000000, 0x0000FF, 0x0000FF}, // -0.51, -4.59, 312.63
    };
    for (const auto& c : cases)
        EXPECT_EQ(Rgb(RedCyanPixel(Pixel(c[0]), Pixel(c[1]))), c[2]) << std::hex << c[0] << " and " << c[1];
}

TEST(RedCyan, EveryKernelGivesThePixelsAndWritesNothingBeyondTheRow) {
    std::mt19937 random(26);
    // Lengths around each kernel's step (8, 4 and 1 pixels) and its look-ahead of a few pixels.
    for (std::size_t count = 0; count <= 41; ++count) {
        std::vector<std::uint8_t> left(3 * count), right(3 * count);
        std::generate(left.begin(), left.end(), std::ref(random));
        std::generate(right.begin(), right.end(), std::ref(random));
        for (CRedCyanKernel kernel : {CRedCyanKernel::kFastest, CRedCyanKernel::kPixelByPixel}) {
            // 16 guard bytes on both sides of the row.
            std::vector<std::uint8_t> out(3 * count + 32, 0xA5);
            RedCyanRow(left.data(), right.data(), out.data() + 16, count, kernel);
            for (std::size_t i = 0; i < count; ++i)
                ASSERT_EQ(At(&out[16 + 3 * i]),
                          Rgb(RedCyanPixel(Pixel(At(&left[3 * i])), Pixel(At(&right[3 * i])))))
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
    MakeSolidEye(picture.left, 14, 4, 0xC86432);
    MakeSolidEye(picture.right, 8, 8, 0x3CB45A);
    // By hand, as above: both eyes, the left alone (black for the right), the right alone, neither.
    // Swapped, the picture's right eye is behind the red filter, each eye still where its size puts it.
    const std::uint32_t expected[2][4] = {{0x838D50, 0x960000, 0x009956, 0},
                                          {0x74891E, 0x009424, 0x850000, 0}};
    // A frame of the screen's size is used again: what it held must not show.
    CDibImage frame;
    ASSERT_TRUE(frame.Create(kDibTrueColour, 16, 8));
    std::memset(frame.Pixels(), 0x77, frame.GetImageSize());
    for (int swap : {0, 1}) {
        ASSERT_TRUE(ComposeAnaglyphFrame(picture, swap == 1, frame, 16, 8));
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x) {
                const bool inLeft = y >= 2 && y <= 5 && x >= 1 && x <= 14;
                const bool inRight = x >= 4 && x <= 11;
                EXPECT_EQ(At(frame.RowFromTop(y) + 3 * x), expected[swap][inLeft && inRight ? 0
                                                                          : inLeft          ? 1
                                                                          : inRight         ? 2
                                                                                            : 3])
                    << "(" << x << ", " << y << ") swapped " << swap;
            }
    }
    // A picture in 2D has no anaglyph; the windows' red-cyan view shows it as 2D does, centred over black.
    picture.right.Free();
    CDibImage twin;
    EXPECT_FALSE(ComposeAnaglyphFrame(picture, false, frame, 16, 8));
    ASSERT_TRUE(ComposeStereoFrames(picture, kViewRedCyan, false, frame, twin, 16, 8));
    EXPECT_EQ(At(frame.RowFromTop(3) + 3 * 5), 0xC86432u);
    EXPECT_EQ(At(frame.RowFromTop(0) + 3 * 5), 0u);
}
