// A known picture on the whole screen, captured in each view mode and decoded again: the halves of a
// stereo capture hold the rows or bands they must, a 2D capture holds the screen unchanged. The test
// runs on screens of several sizes.

#include "display/SyncDoubleBands.h"
#include "keyhook/ScreenCapture.h"
#include "linecode/ResultCodes.h"
#include "tests/support/WineTestSupport.h"
#include "tests/win/CaptureFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>

using namespace testing_support;

namespace {

// Within what a near-lossless JPEG keeps of a picture: each channel of each pixel, and on average.
constexpr int kPixelTolerance = 40;
constexpr double kMeanTolerance = 4.0;

class CapturePixels : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        width = GetSystemMetrics(SM_CXSCREEN);
        height = GetSystemMetrics(SM_CYSCREEN);
    }

    // Shows `paint` on the whole screen and captures it in `viewMode`; the decoded picture.
    CDecodedPicture Capture(std::uint32_t viewMode, std::function<COLORREF(int, int)> paint) {
        WriteCaptureSettings(viewMode, Dir(), "Pixels");
        CPatternWindow pattern(RECT{0, 0, width, height}, std::move(paint));
        PumpMessages();
        Sleep(100);
        PumpMessages();
        EXPECT_EQ(CaptureScreen(), kResultOk);
        CDecodedPicture picture;
        const std::vector<std::string> files = FilesInDir();
        EXPECT_EQ(files.size(), 1u);
        if (!files.empty()) {
            EXPECT_TRUE(DecodePicture(Dir() + files.front(), picture)) << files.front();
        }
        return picture;
    }

    // Compares each pixel of the picture with the screen pixel that `source(x, y)` names, and reports the
    // first pixel beyond the tolerance and the mean difference.
    void ExpectPicture(const CDecodedPicture& picture, int expectedWidth,
                       const std::function<COLORREF(int, int)>& expected) {
        ASSERT_EQ(picture.width, expectedWidth);
        ASSERT_EQ(picture.height, height);
        double sum = 0;
        int reported = 0;
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                const int difference = ChannelDifference(picture.At(x, y), PixelOf(expected(x, y)));
                sum += difference;
                if (difference > kPixelTolerance && reported++ < 5)
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << picture.At(x, y)
                                  << ", expected " << PixelOf(expected(x, y));
            }
        }
        EXPECT_LT(sum / (static_cast<double>(picture.width) * picture.height), kMeanTolerance);
    }

    // Row parity in red, the row in green, the column in blue.
    COLORREF Rows(int x, int y) const {
        return RGB(y % 2 == 0 ? 230 : 20, y * 255 / (height - 1), x * 255 / (width - 1));
    }

    int width = 0;
    int height = 0;
};

} // namespace

TEST_F(CapturePixels, InterlaceKeepsEvenRowsLeftAndOddRowsRight) {
    const CDecodedPicture picture = Capture(0, [this](int x, int y) { return Rows(x, y); });
    ExpectPicture(picture, 2 * width, [this](int x, int y) {
        if (x < width)
            return Rows(x, y - y % 2);
        return Rows(x - width, std::min(y - y % 2 + 1, height - 1));
    });
}

TEST_F(CapturePixels, LineBlankIsSeparatedAsInterlace) {
    const CDecodedPicture picture = Capture(2, [this](int x, int y) { return Rows(x, y); });
    ExpectPicture(picture, 2 * width, [this](int x, int y) {
        return x < width ? Rows(x, y - y % 2) : Rows(x - width, std::min(y - y % 2 + 1, height - 1));
    });
}

TEST_F(CapturePixels, FlatTwoDKeepsTheScreenUnchanged) {
    // Blocks of 16 x 16 pixels, as the encoder codes colour, in a checkerboard of red; green and blue
    // give the row and the column.
    auto blocks = [this](int x, int y) {
        return RGB((x / 16 + y / 16) % 2 == 0 ? 210 : 40, y * 255 / (height - 1), x * 255 / (width - 1));
    };
    const CDecodedPicture picture = Capture(3, blocks);
    ExpectPicture(picture, width, blocks);
}

TEST_F(CapturePixels, SyncDoubleStretchesTheTopAndBottomBands) {
    const CSyncDoubleBands bands = SyncDoubleBands(width, height);
    // The band rows of the screens this test runs on.
    const std::pair<int, int> expectedBands = width == 800    ? std::pair{285, 315}
                                              : width == 1024 ? std::pair{364, 404}
                                              : width == 1600 ? std::pair{580, 620}
                                                              : std::pair{bands.topRows, bands.bottomStart};
    EXPECT_EQ(std::pair(bands.topRows, bands.bottomStart), expectedBands);
    // Red tells the bands apart (and the gap, which must not show), green the row, blue the column.
    auto paint = [&](int x, int y) {
        const int band = y < bands.topRows ? 230 : y < bands.bottomStart ? 128 : 20;
        return RGB(band, y * 255 / (height - 1), x * 255 / (width - 1));
    };
    const CDecodedPicture picture = Capture(1, paint);
    // Row y of a half shows band row y * rows / height; the stretch may round to a neighbouring row,
    // which differs by about one step of green.
    ExpectPicture(picture, 2 * width, [&](int x, int y) {
        if (x < width)
            return paint(x, y * bands.topRows / height);
        return paint(x - width, bands.bottomStart + y * (height - bands.bottomStart) / height);
    });
}
