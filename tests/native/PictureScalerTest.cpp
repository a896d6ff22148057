// Pictures scaled to fit the screen: the fitted size, and the resampling of rows that a source hands
// over a band at a time: averages where a picture shrinks, interpolation where it grows, copies where
// it keeps its size, two eyes made from one reading of a side-by-side source, and failures.

#include "display/PictureScaler.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using Pixel = std::array<int, 3>;

// A source whose pixel (x, y) is `pixel(x, y)`; it checks that rows are read in order, each once, and
// fails from row `failFrom` on.
class CTestRows : public CRowSource {
public:
    CTestRows(std::uint32_t width, std::uint32_t height, std::function<Pixel(int, int)> pixel,
              std::uint32_t failFrom = UINT32_MAX)
        : m_width(width), m_height(height), m_pixel(std::move(pixel)), m_failFrom(failFrom) {}

    bool ReadRows(std::uint32_t first, std::uint32_t count, std::uint8_t* rows, std::size_t stride) override {
        EXPECT_GE(first, m_next) << "a row read again or out of order";
        EXPECT_LE(first + count, m_height);
        if (first + count > m_failFrom || first + count > m_height)
            return false;
        for (std::uint32_t y = first; y < first + count; ++y, rows += stride)
            for (std::uint32_t x = 0; x < m_width; ++x)
                for (int c = 0; c < 3; ++c)
                    rows[3 * x + c] =
                        static_cast<std::uint8_t>(m_pixel(static_cast<int>(x), static_cast<int>(y))[c]);
        m_read += count;
        m_next = first + count;
        return true;
    }
    std::uint32_t RowsRead() const { return m_read; }

private:
    std::uint32_t m_width;
    std::uint32_t m_height;
    std::function<Pixel(int, int)> m_pixel;
    std::uint32_t m_failFrom;
    std::uint32_t m_next = 0;
    std::uint32_t m_read = 0;
};

// Checks every pixel of `picture` against `expected(x, y)`, within `tolerance` per channel.
void ExpectPicture(const CDibImage& picture, int width, int height,
                   const std::function<Pixel(int, int)>& expected, int tolerance, const char* what) {
    ASSERT_EQ(picture.GetWidth(), width) << what;
    ASSERT_EQ(picture.GetHeight(), height) << what;
    ASSERT_EQ(picture.GetBitCount(), 24u) << what;
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                if (std::abs(picture.RowFromTop(y)[3 * x + c] - expected(x, y)[c]) > tolerance && wrong++ < 3)
                    ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") channel " << c << " is "
                                  << int{picture.RowFromTop(y)[3 * x + c]} << ", expected "
                                  << expected(x, y)[c];
}

} // namespace

TEST(FitWithin, KeepsTheProportionsAndFillsOneSideOfTheBox) {
    struct Case {
        std::uint32_t width, height, boxWidth, boxHeight, fittedWidth, fittedHeight;
    };
    for (Case c : {Case{6000, 4000, 1920, 1080, 1620, 1080}, Case{640, 480, 1920, 1080, 1440, 1080},
                   Case{3000, 1000, 1920, 1080, 1920, 640}, Case{1920, 1080, 1920, 1080, 1920, 1080},
                   Case{960, 540, 1920, 1080, 1920, 1080}, Case{1, 10000, 1920, 1080, 1, 1080},
                   Case{16384, 1, 800, 600, 800, 1}, Case{0, 5, 800, 600, 0, 0}, Case{5, 5, 0, 600, 0, 0}}) {
        const CPictureSize fitted = FitWithin(c.width, c.height, {c.boxWidth, c.boxHeight});
        EXPECT_EQ(fitted, (CPictureSize{c.fittedWidth, c.fittedHeight}))
            << c.width << "x" << c.height << " in " << c.boxWidth << "x" << c.boxHeight << ": "
            << fitted.width << "x" << fitted.height;
    }
}

TEST(PictureScaler, AShrinkingPictureAveragesTheSourcePixelsThatEachPixelCovers) {
    // Halving: each pixel is the average of a 2 x 2 block.
    CTestRows half(6, 4, [](int x, int y) { return Pixel{10 * x + 40 * y, 200 - 20 * x, 7}; });
    CDibImage picture;
    ASSERT_TRUE(ScaleRows(half, 6, 4, 2, std::array{CScaleTarget{0, 6, 3, &picture}}));
    ExpectPicture(
        picture, 3, 2,
        [](int x, int y) {
            return Pixel{20 * x + 80 * y + 25, 190 - 40 * x, 7};
        },
        0, "halved");

    // Five to two: pixel 0 covers source pixels 0, 1 and half of 2.
    CTestRows fifths(5, 5, [](int x, int y) { return Pixel{50 * x, 50 * y, 99}; });
    ASSERT_TRUE(ScaleRows(fifths, 5, 5, 2, std::array{CScaleTarget{0, 5, 2, &picture}}));
    ExpectPicture(
        picture, 2, 2,
        [](int x, int y) {
            return Pixel{x == 0 ? 40 : 160, y == 0 ? 40 : 160, 99};
        },
        1, "five to two");

    // A large uneven ratio keeps a plain colour exactly.
    CTestRows plain(370, 250, [](int, int) { return Pixel{255, 1, 128}; });
    ASSERT_TRUE(ScaleRows(plain, 370, 250, 27, std::array{CScaleTarget{0, 370, 40, &picture}}));
    ExpectPicture(
        picture, 40, 27,
        [](int, int) {
            return Pixel{255, 1, 128};
        },
        0, "a plain colour");
    EXPECT_EQ(plain.RowsRead(), 250u);
}

TEST(PictureScaler, AGrowingPictureInterpolatesAndOneOfTheSameSizeIsCopied) {
    // Two pixels to four: the outer ones keep the edge pixels, the inner ones lie a quarter in.
    CTestRows two(2, 2, [](int x, int y) { return Pixel{200 * x, 200 * y, 0}; });
    CDibImage picture;
    ASSERT_TRUE(ScaleRows(two, 2, 2, 4, std::array{CScaleTarget{0, 2, 4, &picture}}));
    const int steps[] = {0, 50, 150, 200};
    ExpectPicture(
        picture, 4, 4,
        [&](int x, int y) {
            return Pixel{steps[x], steps[y], 0};
        },
        0, "doubled");

    // The same size: the columns and rows taken are copied, and no row below them is read.
    CTestRows large(10, 8, [](int x, int y) { return Pixel{x, y, x * y}; });
    ASSERT_TRUE(ScaleRows(large, 10, 5, 5, std::array{CScaleTarget{3, 4, 4, &picture}}));
    ExpectPicture(
        picture, 4, 5,
        [](int x, int y) {
            return Pixel{x + 3, y, (x + 3) * y};
        },
        0, "copied");
    EXPECT_EQ(large.RowsRead(), 5u);
}

TEST(PictureScaler, TwoEyesComeFromOneReadingOfASideBySideSource) {
    // Each half has a colour of its own and a gradient down; the last, odd column belongs to neither.
    CTestRows pair(41, 300, [](int x, int y) {
        return Pixel{x < 20 ? 30 : 220, y * 255 / 299, x == 40 ? 255 : 0};
    });
    CDibImage left;
    CDibImage right;
    ASSERT_TRUE(ScaleRows(pair, 41, 300, 150,
                          std::array{CScaleTarget{0, 20, 10, &left}, CScaleTarget{20, 20, 10, &right}}));
    const auto eye = [](int blue) {
        return [blue](int, int y) {
            return Pixel{blue, ((2 * y) * 255 / 299 + (2 * y + 1) * 255 / 299) / 2, 0};
        };
    };
    ExpectPicture(left, 10, 150, eye(30), 1, "left");
    ExpectPicture(right, 10, 150, eye(220), 1, "right");
    EXPECT_EQ(pair.RowsRead(), 300u);
}

TEST(PictureScaler, AFailingSourceAndColumnsOutsideTheSourceLeaveNothing) {
    CDibImage picture;
    CDibImage other;
    CTestRows failing(
        40, 300,
        [](int, int) {
            return Pixel{1, 2, 3};
        },
        100);
    EXPECT_FALSE(ScaleRows(failing, 40, 300, 30,
                           std::array{CScaleTarget{0, 20, 4, &picture}, CScaleTarget{20, 20, 4, &other}}));
    EXPECT_TRUE(picture.IsEmpty());
    EXPECT_TRUE(other.IsEmpty());

    CTestRows sound(40, 30, [](int, int) { return Pixel{1, 2, 3}; });
    EXPECT_FALSE(ScaleRows(sound, 40, 30, 10, std::array{CScaleTarget{30, 20, 4, &picture}}));
    EXPECT_FALSE(ScaleRows(sound, 40, 30, 0, std::array{CScaleTarget{0, 20, 4, &picture}}));
    EXPECT_FALSE(ScaleRows(sound, 40, 30, 10, std::array{CScaleTarget{0, 20, 0, &picture}}));
    EXPECT_FALSE(ScaleRows(sound, 40, 30, 10, std::array{CScaleTarget{0, 20, 4, nullptr}}));
    EXPECT_TRUE(picture.IsEmpty());
    EXPECT_EQ(sound.RowsRead(), 0u);
}
