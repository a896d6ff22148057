// The red-cyan anaglyph: its pixels against values worked out by hand from the published matrices,
// the rows of every kernel against those pixels, and the frame that places the two eyes.

#include "display/FrameComposition.h"
#include "display/RedCyan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

CRgbPixel Rgb(int red, int green, int blue) {
    return {static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
            static_cast<std::uint8_t>(blue)};
}

void MakeSolidEye(CDibImage& eye, int width, int height, CRgbPixel colour) {
    ASSERT_TRUE(
        eye.Create(kDibTrueColour, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = eye.RowFromTop(y) + 3 * x;
            pixel[0] = colour.blue;
            pixel[1] = colour.green;
            pixel[2] = colour.red;
        }
}

CRgbPixel FramePixel(const CDibImage& frame, int x, int y) {
    const std::uint8_t* pixel = frame.RowFromTop(y) + 3 * x;
    return Rgb(pixel[2], pixel[1], pixel[0]);
}

} // namespace

TEST(RedCyan, PixelsAreTheMatricesProductsRoundedAndClamped) {
    struct Case {
        CRgbPixel left, right, anaglyph;
    };
    // Worked out on paper: red = 0.456 lr + 0.500 lg + 0.176 lb - 0.043 rr - 0.088 rg - 0.002 rb, and so on.
    const Case cases[] = {
        {Rgb(255, 255, 255), Rgb(0, 0, 0), Rgb(255, 0, 0)},           // 288.66, -23.97, -10.46
        {Rgb(0, 0, 0), Rgb(255, 255, 255), Rgb(0, 255, 255)},         // -33.92, 278.97, 265.46
        {Rgb(128, 128, 128), Rgb(128, 128, 128), Rgb(128, 128, 128)}, // 127.87, 128.00, 128.00
        {Rgb(255, 0, 0), Rgb(255, 0, 0), Rgb(105, 86, 0)},            // 105.32, 86.19, -22.19
        {Rgb(200, 100, 50), Rgb(60, 180, 90), Rgb(131, 141, 80)},     // 131.40, 140.58, 80.33
        {Rgb(60, 180, 90), Rgb(200, 100, 50), Rgb(116, 137, 30)},     // 115.70, 137.42, 30.47
        {Rgb(100, 150, 200), Rgb(50, 100, 150), Rgb(145, 77, 163)},   // 144.55, 76.70, 163.35
        {Rgb(0, 0, 0), Rgb(0, 0, 255), Rgb(0, 0, 255)},               // -0.51, -4.59, 312.63
        {Rgb(0, 200, 0), Rgb(0, 0, 0), Rgb(100, 0, 0)},               // 100.00, -7.60, -4.20
        {Rgb(0, 0, 0), Rgb(0, 0, 0), Rgb(0, 0, 0)},
    };
    for (const Case& c : cases) {
        const CRgbPixel got = RedCyanPixel(c.left, c.right);
        EXPECT_EQ(got, c.anaglyph) << "left " << int(c.left.red) << "," << int(c.left.green) << ","
                                   << int(c.left.blue) << " right " << int(c.right.red) << ","
                                   << int(c.right.green) << "," << int(c.right.blue) << ": got "
                                   << int(got.red) << "," << int(got.green) << "," << int(got.blue);
    }
}

TEST(RedCyan, EveryKernelGivesThePixelsAndWritesNothingBeyondTheRow) {
    std::mt19937 random(26);
    // Lengths around each kernel's step (8, 4 and 1 pixels) and its look-ahead of a few pixels.
    for (std::size_t count = 0; count <= 41; ++count) {
        std::vector<std::uint8_t> left(3 * count), right(3 * count);
        for (std::uint8_t& byte : left)
            byte = static_cast<std::uint8_t>(random());
        for (std::uint8_t& byte : right)
            byte = static_cast<std::uint8_t>(random());
        for (CRedCyanKernel kernel : {CRedCyanKernel::kFastest, CRedCyanKernel::kPixelByPixel}) {
            // Guard bytes on both sides of the row.
            std::vector<std::uint8_t> out(3 * count + 32, 0xA5);
            RedCyanRow(left.data(), right.data(), out.data() + 16, count, kernel);
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint8_t* l = &left[3 * i];
                const std::uint8_t* r = &right[3 * i];
                const std::uint8_t* o = &out[16 + 3 * i];
                ASSERT_EQ(Rgb(o[2], o[1], o[0]), RedCyanPixel(Rgb(l[2], l[1], l[0]), Rgb(r[2], r[1], r[0])))
                    << "pixel " << i << " of " << count;
            }
            for (std::size_t i = 0; i < 16; ++i) {
                ASSERT_EQ(out[i], 0xA5) << "before a row of " << count;
                ASSERT_EQ(out[16 + 3 * count + i], 0xA5) << "after a row of " << count;
            }
        }
    }
}

TEST(RedCyan, TheFramePlacesEachEyeCentredOverBlack) {
    // A 16 x 8 screen: the 14 x 4 left eye covers rows 2-5, columns 1-14; the 8 x 8 right eye rows 0-7,
    // columns 4-11.
    const CRgbPixel leftColour = Rgb(200, 100, 50);
    const CRgbPixel rightColour = Rgb(60, 180, 90);
    CStereoPicture picture;
    MakeSolidEye(picture.left, 14, 4, leftColour);
    MakeSolidEye(picture.right, 8, 8, rightColour);
    const auto inLeft = [](int x, int y) { return y >= 2 && y <= 5 && x >= 1 && x <= 14; };
    const auto inRight = [](int x, int) { return x >= 4 && x <= 11; };
    // By hand, as above: each eye alone is taken with black for the other.
    struct Expected {
        CRgbPixel both, leftAlone, rightAlone;
    };
    const Expected plain{Rgb(131, 141, 80), Rgb(150, 0, 0), Rgb(0, 153, 86)};
    // Swapped, the picture's right eye is behind the red filter, each eye still where its size puts it.
    const Expected swapped{Rgb(116, 137, 30), Rgb(0, 148, 36), Rgb(133, 0, 0)};

    // A frame of the screen's size is used again: what it held must not show.
    CDibImage frame;
    ASSERT_TRUE(frame.Create(kDibTrueColour, 16, 8));
    std::memset(frame.Pixels(), 0x77, frame.GetImageSize());
    for (bool swap : {false, true}) {
        const Expected& expected = swap ? swapped : plain;
        ASSERT_TRUE(ComposeAnaglyphFrame(picture, swap, frame, 16, 8));
        ASSERT_EQ(frame.GetWidth(), 16);
        ASSERT_EQ(frame.GetHeight(), 8);
        ASSERT_EQ(frame.GetBitCount(), 24u);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x) {
                const CRgbPixel want = inLeft(x, y) && inRight(x, y) ? expected.both
                                       : inLeft(x, y)                ? expected.leftAlone
                                       : inRight(x, y)               ? expected.rightAlone
                                                                     : Rgb(0, 0, 0);
                EXPECT_EQ(FramePixel(frame, x, y), want) << "(" << x << ", " << y << ") swapped " << swap;
            }
    }

    // Eyes larger than the screen are cut at its edges; a picture in 2D has no anaglyph.
    CStereoPicture large;
    MakeSolidEye(large.left, 40, 20, leftColour);
    MakeSolidEye(large.right, 40, 20, rightColour);
    ASSERT_TRUE(ComposeAnaglyphFrame(large, false, frame, 16, 8));
    EXPECT_EQ(FramePixel(frame, 15, 7), plain.both);
    CStereoPicture flat;
    MakeSolidEye(flat.left, 8, 8, leftColour);
    EXPECT_FALSE(ComposeAnaglyphFrame(flat, false, frame, 16, 8));
    EXPECT_EQ(frame.GetWidth(), 16) << "the frame is kept";
}
