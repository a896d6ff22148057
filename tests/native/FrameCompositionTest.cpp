// Where the stereo frames put their pictures, the interleaved frame built row by row, and the frames
// of the viewer's pictures in each view mode.

#include "display/FrameComposition.h"
#include "settings/SettingsTypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

namespace {

// The 24-bit pixel (x, y) of a side-by-side test pair: distinct for every column, row and half.
void PairPixel(int x, int y, std::uint8_t* out) {
    out[0] = static_cast<std::uint8_t>(x);
    out[1] = static_cast<std::uint8_t>(x >> 8 | (y & 0x0F) << 4);
    out[2] = static_cast<std::uint8_t>(y >> 4);
}

void MakePair(CDibImage& pair, int width, int height) {
    ASSERT_TRUE(
        pair.Create(kDibTrueColour, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            PairPixel(x, y, pair.RowFromTop(y) + 3 * x);
}

// Checks every pixel of `frame` (W x H) against the pair of `pairWidth` x `pairHeight`: screen row r
// shows row r of the left half if r is even, of the right half if odd, from column 0; the rest is black.
void ExpectInterleaved(const CDibImage& frame, int screenWidth, int screenHeight, int pairWidth,
                       int pairHeight) {
    ASSERT_EQ(frame.GetWidth(), screenWidth);
    ASSERT_EQ(frame.GetHeight(), screenHeight);
    ASSERT_EQ(frame.GetBitCount(), 24u);
    const int half = pairWidth / 2;
    int wrong = 0;
    for (int y = 0; y < screenHeight && wrong < 5; ++y) {
        const std::uint8_t* row = frame.RowFromTop(y);
        for (int x = 0; x < screenWidth; ++x) {
            std::uint8_t expected[3] = {0, 0, 0};
            if (y < pairHeight && x < half)
                PairPixel(x + (y % 2 == 0 ? 0 : half), y, expected);
            if (std::memcmp(row + 3 * x, expected, 3) != 0 && wrong++ < 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
        }
    }
    EXPECT_EQ(wrong, 0);
}

// An eye whose pixel (x, y) is (x, y, tag): every pixel tells where it comes from.
void MakeEye(CDibImage& eye, int width, int height, std::uint8_t tag) {
    ASSERT_TRUE(
        eye.Create(kDibTrueColour, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = eye.RowFromTop(y) + 3 * x;
            pixel[0] = static_cast<std::uint8_t>(x);
            pixel[1] = static_cast<std::uint8_t>(y);
            pixel[2] = tag;
        }
}

// Checks every pixel of `frame` (width x height): `source(x, y)` says which eye's tag the pixel shows
// (0: black) and at which pixel of that eye.
struct CFramePixel {
    std::uint8_t tag;
    int x, y;
};
void ExpectFrame(const CDibImage& frame, int width, int height,
                 const std::function<CFramePixel(int, int)>& source, const std::string& what) {
    ASSERT_EQ(frame.GetWidth(), width) << what;
    ASSERT_EQ(frame.GetHeight(), height) << what;
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const CFramePixel from = source(x, y);
            const std::uint8_t expected[3] = {static_cast<std::uint8_t>(from.tag ? from.x : 0),
                                              static_cast<std::uint8_t>(from.tag ? from.y : 0), from.tag};
            if (std::memcmp(frame.RowFromTop(y) + 3 * x, expected, 3) != 0 && wrong++ < 3)
                ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ")";
        }
}

} // namespace

TEST(CentredOffset, CentresWithAnEvenVerticalOffset) {
    EXPECT_EQ(CentredOffset(1024, 768, 800, 600).x, 112);
    EXPECT_EQ(CentredOffset(1024, 768, 800, 600).y, 84);
    // Half of the free height is 83: one row less than exact centring.
    EXPECT_EQ(CentredOffset(1024, 768, 800, 602).y, 82);
    EXPECT_EQ(CentredOffset(1024, 768, 800, 601).y, 82);
    const CFrameOffset large = CentredOffset(1024, 768, 1280, 1024);
    EXPECT_EQ(large.x, 0);
    EXPECT_EQ(large.y, 0);
    const CFrameOffset tall = CentredOffset(1024, 768, 100, 768);
    EXPECT_EQ(tall.x, 462);
    EXPECT_EQ(tall.y, 0);
}

TEST(SyncDoubleRows, TheGapAdjustmentMovesBothInnerEdges) {
    struct Case {
        int width, height, adjust, topEnd, bottomStart;
    };
    for (Case c : {Case{1024, 768, 0, 364, 404}, Case{1024, 768, 20, 344, 424},
                   Case{1024, 768, -20, 384, 384}, Case{1600, 1200, 0, 580, 620}, Case{640, 480, 0, 223, 257},
                   Case{1280, 1024, -20, 515, 509}, Case{1920, 1080, 5, 515, 565}}) {
        const CSyncDoubleRows rows = SyncDoubleRows(c.width, c.height, c.adjust);
        EXPECT_EQ(rows.topEnd, c.topEnd) << c.width << "x" << c.height << " " << c.adjust;
        EXPECT_EQ(rows.bottomStart, c.bottomStart) << c.width << "x" << c.height << " " << c.adjust;
    }
}

TEST(SyncDoubleRows, BandsStayWithinAnUnusualScreen) {
    // The table's rows for 640 pixels assume 480 rows.
    CSyncDoubleRows rows = SyncDoubleRows(640, 200, 0);
    EXPECT_EQ(rows.topEnd, 200);
    EXPECT_EQ(rows.bottomStart, 200);
    rows = SyncDoubleRows(700, 30, 20);
    EXPECT_EQ(rows.topEnd, 0);
    EXPECT_EQ(rows.bottomStart, 30);
    rows = SyncDoubleRows(700, 0, 0);
    EXPECT_EQ(rows.topEnd, 0);
    EXPECT_EQ(rows.bottomStart, 0);
}

TEST(InterleavedFrame, APairOfTheScreensSizeFillsEveryRow) {
    CDibImage pair;
    MakePair(pair, 2048, 768);
    CDibImage frame;
    ASSERT_TRUE(ComposeInterleavedFrame(pair, frame, 1024, 768));
    EXPECT_TRUE(pair.IsEmpty());
    ExpectInterleaved(frame, 1024, 768, 2048, 768);
}

TEST(InterleavedFrame, ASmallerPairIsAlignedTopLeftOverBlack) {
    CDibImage pair;
    MakePair(pair, 1280, 480);
    CDibImage frame;
    ASSERT_TRUE(ComposeInterleavedFrame(pair, frame, 1024, 768));
    ExpectInterleaved(frame, 1024, 768, 1280, 480);
}

TEST(InterleavedFrame, OddHeightsAndOddWidthsReadNoRowBeyondThePicture) {
    for (int height : {5, 767, 1}) {
        CDibImage pair;
        MakePair(pair, 1001, height); // the last column belongs to neither half
        CDibImage frame;
        ASSERT_TRUE(ComposeInterleavedFrame(pair, frame, 800, 600));
        ExpectInterleaved(frame, 800, 600, 1001, height);
    }
}

TEST(InterleavedFrame, ALargerPairIsCutOffAtTheScreensEdges) {
    CDibImage pair;
    MakePair(pair, 4000, 700);
    CDibImage frame;
    ASSERT_TRUE(ComposeInterleavedFrame(pair, frame, 640, 480));
    ExpectInterleaved(frame, 640, 480, 4000, 700);
}

TEST(InterleavedFrame, AFrameUsedAgainKeepsNothingOfThePreviousPicture) {
    CDibImage frame;
    CDibImage large;
    MakePair(large, 2000, 600);
    ASSERT_TRUE(ComposeInterleavedFrame(large, frame, 800, 600));
    const std::uint8_t* pixels = frame.Pixels();
    CDibImage small;
    MakePair(small, 300, 101);
    ASSERT_TRUE(ComposeInterleavedFrame(small, frame, 800, 600));
    EXPECT_EQ(frame.Pixels(), pixels);
    ExpectInterleaved(frame, 800, 600, 300, 101);
    // Another screen size gets a new frame.
    CDibImage again;
    MakePair(again, 300, 101);
    ASSERT_TRUE(ComposeInterleavedFrame(again, frame, 640, 480));
    ExpectInterleaved(frame, 640, 480, 300, 101);
}

TEST(InterleavedFrame, AnEmptyOrShallowPairGivesABlackFrame) {
    CDibImage frame;
    ASSERT_TRUE(frame.Create(kDibTrueColour, 5, 5)); // replaced
    CDibImage empty;
    ASSERT_TRUE(ComposeInterleavedFrame(empty, frame, 64, 48));
    ExpectInterleaved(frame, 64, 48, 0, 0);

    CDibImage grey;
    ASSERT_TRUE(grey.Create(kDibGrey, 200, 100));
    std::memset(grey.Pixels(), 0x77, grey.GetImageSize());
    ASSERT_TRUE(ComposeInterleavedFrame(grey, frame, 64, 48));
    EXPECT_TRUE(grey.IsEmpty());
    ExpectInterleaved(frame, 64, 48, 0, 0);
}

TEST(InterleavedFrame, AFrameThatCannotBeMadeLeavesTheLastOneAsItWas) {
    CDibImage frame;
    CDibImage first;
    MakePair(first, 300, 101);
    ASSERT_TRUE(ComposeInterleavedFrame(first, frame, 64, 48));
    // No screen, and a screen whose frame no bitmap holds (more than 4 GiB of rows).
    for (int side : {0, 70000}) {
        CDibImage pair;
        MakePair(pair, 20, 10);
        EXPECT_FALSE(ComposeInterleavedFrame(pair, frame, side, side)) << side;
        EXPECT_TRUE(pair.IsEmpty()) << side;
        ExpectInterleaved(frame, 64, 48, 300, 101);
    }
}

TEST(InterleavedFrame, FromTheDecodersRowsItIsTheSameAndReadsOnlyTheRowsShown) {
    // The rows of a pair as a decoder hands them over, counting the last row asked for.
    struct CPairRows final : CRowSource {
        const CDibImage* pair = nullptr;
        std::uint32_t end = 0;
        bool ReadRows(std::uint32_t first, std::uint32_t count, std::uint8_t* rows,
                      std::size_t stride) override {
            if (first + count > static_cast<std::uint32_t>(pair->GetHeight()))
                return false;
            for (std::uint32_t r = 0; r < count; ++r)
                std::memcpy(rows + r * stride, pair->RowFromTop(static_cast<std::int32_t>(first + r)),
                            3 * static_cast<std::size_t>(pair->GetWidth()));
            end = std::max(end, first + count);
            return true;
        }
    };
    struct Case {
        int pairWidth, pairHeight, screenWidth, screenHeight;
    };
    for (Case c : {Case{2048, 768, 1024, 768}, Case{1280, 480, 1024, 768}, Case{1001, 767, 800, 600},
                   Case{1001, 5, 800, 600}, Case{4000, 700, 640, 480}}) {
        CDibImage pair;
        MakePair(pair, c.pairWidth, c.pairHeight);
        CPairRows rows;
        rows.pair = &pair;
        CDibImage frame;
        ASSERT_TRUE(ComposeInterleavedFrame(
            rows, {static_cast<std::uint32_t>(c.pairWidth), static_cast<std::uint32_t>(c.pairHeight)}, frame,
            c.screenWidth, c.screenHeight));
        ExpectInterleaved(frame, c.screenWidth, c.screenHeight, c.pairWidth, c.pairHeight);
        EXPECT_EQ(rows.end, static_cast<std::uint32_t>(std::min(c.pairHeight, c.screenHeight)))
            << c.pairHeight;
    }
}

TEST(SideBySide, TheEyesSideBySideTopLeftInHalvesAsWideAsTheWiderOne) {
    CStereoPicture eyes;
    MakeEye(eyes.left, 30, 20, 1);
    MakeEye(eyes.right, 40, 10, 2);
    CDibImage pair;
    ASSERT_TRUE(ComposeSideBySide(eyes, pair));
    ExpectFrame(
        pair, 80, 20,
        [](int x, int y) {
            if (x < 40)
                return x < 30 ? CFramePixel{1, x, y} : CFramePixel{0, 0, 0};
            return y < 10 ? CFramePixel{2, x - 40, y} : CFramePixel{0, 0, 0};
        },
        "side by side");
    CStereoPicture none;
    EXPECT_FALSE(ComposeSideBySide(none, pair));
    EXPECT_EQ(pair.GetWidth(), 80);
}

TEST(StereoFrame, EachViewModePlacesTheEyesCentredAndTheSwapExchangesThem) {
    constexpr int W = 64;
    constexpr int H = 48;
    CStereoPicture picture;
    MakeEye(picture.left, 30, 20, 1);
    MakeEye(picture.right, 30, 20, 2);
    // Centred: (17, 14), the vertical offset even.
    const CFrameOffset at = CentredOffset(W, H, 30, 20);
    const auto eye = [&](std::uint8_t tag, int x, int y) {
        const bool inside = x >= at.x && x < at.x + 30 && y >= at.y && y < at.y + 20;
        return inside ? CFramePixel{tag, x - at.x, y - at.y} : CFramePixel{0, 0, 0};
    };
    for (bool swapped : {false, true}) {
        const std::uint8_t left = swapped ? 2 : 1;
        const std::uint8_t right = swapped ? 1 : 2;
        const std::string how = swapped ? " swapped" : "";
        CDibImage frame;
        CDibImage twin;
        for (std::int32_t mode : {kViewInterlace, kViewLineBlank, kViewSyncDouble}) {
            const bool interleaved = mode != kViewSyncDouble;
            const auto expect = [&](const std::string& what) {
                ExpectFrame(
                    frame, interleaved ? W : 2 * W, H,
                    [&](int x, int y) {
                        return eye((interleaved ? y % 2 == 0 : x < W) ? left : right, x % W, y);
                    },
                    (interleaved ? "interleaved" : "side by side") + how + what);
            };
            ASSERT_TRUE(ComposeStereoFrame(picture, mode, swapped, frame, W, H));
            expect("");
            // The other way round, then swapped at once: the frame is the same.
            ASSERT_TRUE(ComposeStereoFrames(picture, mode, !swapped, frame, twin, W, H));
            EXPECT_EQ(twin.IsEmpty(), !interleaved);
            ASSERT_TRUE(SwapStereoFrame(mode, frame, twin));
            expect(", swapped at once");
        }
        ASSERT_TRUE(ComposeStereoFrame(picture, kViewFlat2D, swapped, frame, W, H));
        ExpectFrame(
            frame, W, H, [&](int x, int y) { return eye(left, x, y); }, "2D" + how);
    }

    // A picture in 2D: both eyes see it, swapped or not.
    picture.right.Free();
    for (bool swapped : {false, true}) {
        CDibImage frame;
        ASSERT_TRUE(ComposeStereoFrame(picture, kViewInterlace, swapped, frame, W, H));
        ExpectFrame(
            frame, W, H, [&](int x, int y) { return eye(1, x, y); }, "flat, interleaved");
        ASSERT_TRUE(ComposeStereoFrame(picture, kViewSyncDouble, swapped, frame, W, H));
        ExpectFrame(
            frame, 2 * W, H, [&](int x, int y) { return eye(1, x % W, y); }, "flat, side by side");
    }

    // Eyes larger than the screen start at its corner and are cut off; the eyes may differ in size.
    MakeEye(picture.left, 100, 60, 1);
    MakeEye(picture.right, 10, 60, 2);
    CDibImage frame;
    ASSERT_TRUE(ComposeStereoFrame(picture, kViewSyncDouble, false, frame, W, H));
    ExpectFrame(
        frame, 2 * W, H,
        [&](int x, int y) {
            if (x < W)
                return CFramePixel{1, x, y};
            const int rightX = x - W - (W - 10) / 2;
            return rightX >= 0 && rightX < 10 ? CFramePixel{2, rightX, y} : CFramePixel{0, 0, 0};
        },
        "large and narrow eyes");
    CDibImage none;
    ASSERT_TRUE(SwapStereoFrame(kViewSyncDouble, frame, none));
    ExpectFrame(
        frame, 2 * W, H,
        [&](int x, int y) {
            if (x >= W)
                return CFramePixel{1, x - W, y};
            const int rightX = x - (W - 10) / 2;
            return rightX >= 0 && rightX < 10 ? CFramePixel{2, rightX, y} : CFramePixel{0, 0, 0};
        },
        "large and narrow eyes swapped at once");
    // 2D holds one eye, and Interlace without a twin only one eye's rows: neither swaps at once.
    EXPECT_FALSE(SwapStereoFrame(kViewFlat2D, frame, none));
    EXPECT_FALSE(SwapStereoFrame(kViewInterlace, frame, none));
    // Another view mode leaves the frame as it was.
    const std::uint8_t* pixels = frame.Pixels();
    EXPECT_FALSE(ComposeStereoFrame(picture, 4, false, frame, W, H));
    EXPECT_EQ(frame.Pixels(), pixels);
    EXPECT_EQ(frame.GetWidth(), 2 * W);
}
