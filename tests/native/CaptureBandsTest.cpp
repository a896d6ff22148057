#include "activator/ActivatorSettings.h"
#include "keyhook/CaptureBands.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A screen whose pixel (x, row) has the bytes (row, x, channel), and the picture that the bands make of
// it: each band's copies taken from the screen into the top rows of its halves, the rest of the band
// filled with garbage, then arranged.
struct CBandedPicture {
    std::vector<std::uint8_t> rows; // the picture, rows from the top, `stride` bytes apart
    std::size_t stride = 0;
    bool complete = true;

    static std::uint8_t Screen(int row, int x, int channel) {
        return static_cast<std::uint8_t>(row * 11 + x * 3 + channel);
    }

    CBandedPicture(const CCaptureLayout& layout, int bandRows) {
        const int width = PictureWidth(layout);
        stride = 3 * static_cast<std::size_t>(width) + 5; // not a multiple of 4: nothing may assume it
        for (int band = 0; band < BandCount(layout, bandRows); ++band) {
            CBandPlan plan;
            if (!PlanBand(layout, bandRows, band, plan)) {
                complete = false;
                return;
            }
            std::vector<std::uint8_t> buffer(stride * static_cast<std::size_t>(bandRows), 0xEE);
            for (int c = 0; c < plan.copyCount; ++c) {
                const CBandCopy& copy = plan.copies[c];
                for (int row = 0; row < copy.rows; ++row)
                    for (int x = 0; x < layout.screenWidth; ++x)
                        for (int channel = 0; channel < 3; ++channel)
                            buffer[row * stride + 3 * (copy.half * layout.screenWidth + x) + channel] =
                                Screen(copy.firstScreenRow + row, x, channel);
            }
            if (!ArrangeBand(layout, plan, buffer, stride)) {
                complete = false;
                return;
            }
            rows.insert(rows.end(), buffer.begin(), buffer.begin() + plan.rows * stride);
        }
    }

    // Whether picture row `row` shows screen row `first` in its first half and `second` in its second
    // (ignored for a 2D picture), and its padding is untouched.
    bool Shows(const CCaptureLayout& layout, int row, int first, int second) const {
        for (int half = 0; half < PictureWidth(layout) / layout.screenWidth; ++half)
            for (int x = 0; x < layout.screenWidth; ++x)
                for (int channel = 0; channel < 3; ++channel)
                    if (rows[row * stride + 3 * (half * layout.screenWidth + x) + channel] !=
                        Screen(half == 0 ? first : second, x, channel))
                        return false;
        const std::size_t padding = row * stride + 3 * static_cast<std::size_t>(PictureWidth(layout));
        for (std::size_t i = padding; i < (row + 1) * stride; ++i)
            if (rows[i] != 0xEE)
                return false;
        return true;
    }
};

CCaptureLayout Layout(int width, int height, std::int32_t viewMode) {
    CCaptureLayout layout;
    EXPECT_TRUE(CaptureLayoutOf(width, height, viewMode, layout))
        << width << "x" << height << " " << viewMode;
    return layout;
}

// A Sync Double layout with bands of its own, smaller than any screen's.
CCaptureLayout SyncDoubleLayout(int width, int height, int topRows, int bottomStart) {
    CCaptureLayout layout;
    layout.viewMode = kViewSyncDouble;
    layout.screenWidth = width;
    layout.screenHeight = height;
    layout.topRows = topRows;
    layout.bottomStart = bottomStart;
    return layout;
}

} // namespace

TEST(CaptureBands, LayoutsFollowTheViewModeAndRefuseScreensTheyCannotRead) {
    CCaptureLayout layout = Layout(800, 600, kViewSyncDouble);
    EXPECT_EQ(PictureWidth(layout), 1600);
    EXPECT_EQ(layout.topRows, 285);
    EXPECT_EQ(layout.bottomStart, 315);
    layout = Layout(1600, 1200, kViewSyncDouble);
    EXPECT_EQ(layout.topRows, 580);
    EXPECT_EQ(layout.bottomStart, 620);
    EXPECT_EQ(PictureWidth(Layout(1920, 1080, kViewInterlace)), 3840);
    EXPECT_EQ(PictureWidth(Layout(1920, 1080, kViewLineBlank)), 3840);
    EXPECT_EQ(PictureWidth(Layout(1920, 1080, kViewFlat2D)), 1920);
    EXPECT_EQ(PictureWidth(Layout(32767, 10, kViewInterlace)), 65534);

    CCaptureLayout refused;
    EXPECT_FALSE(CaptureLayoutOf(800, 600, 4, refused));
    EXPECT_FALSE(CaptureLayoutOf(800, 600, -1, refused));
    EXPECT_FALSE(CaptureLayoutOf(0, 600, kViewFlat2D, refused));
    EXPECT_FALSE(CaptureLayoutOf(800, -2, kViewFlat2D, refused));
    EXPECT_FALSE(CaptureLayoutOf(32768, 10, kViewInterlace, refused)); // wider than a JPEG picture
    EXPECT_FALSE(CaptureLayoutOf(10, 65536, kViewFlat2D, refused));
    // Too small for the bands of its width: the table's rows for 800 lie below a 300-row screen, and a
    // 40-row screen of another width has no rows outside the gap.
    EXPECT_FALSE(CaptureLayoutOf(800, 300, kViewSyncDouble, refused));
    EXPECT_FALSE(CaptureLayoutOf(1920, 40, kViewSyncDouble, refused));
    EXPECT_TRUE(CaptureLayoutOf(800, 300, kViewInterlace, refused));
}

TEST(CaptureBands, EachPictureRowShowsItsScreenRow) {
    // Interlace on an odd height: pairs, and the last row in both halves.
    const CCaptureLayout interlace = Layout(4, 7, kViewInterlace);
    const int pairs[7][2] = {{0, 1}, {0, 1}, {2, 3}, {2, 3}, {4, 5}, {4, 5}, {6, 6}};
    for (int row = 0; row < 7; ++row) {
        EXPECT_EQ(ScreenRowOf(interlace, 0, row), pairs[row][0]) << row;
        EXPECT_EQ(ScreenRowOf(interlace, 1, row), pairs[row][1]) << row;
    }
    // Sync Double stretches 4 band rows to 10: the middle of row y lies at (y + 1/2) * 4 / 10.
    const CCaptureLayout sync = SyncDoubleLayout(2, 10, 4, 7);
    const int top[10] = {0, 0, 1, 1, 1, 2, 2, 3, 3, 3};
    const int bottom[10] = {7, 7, 7, 8, 8, 8, 8, 9, 9, 9}; // 3 rows from row 7 stretched to 10
    for (int row = 0; row < 10; ++row) {
        EXPECT_EQ(ScreenRowOf(sync, 0, row), top[row]) << row;
        EXPECT_EQ(ScreenRowOf(sync, 1, row), bottom[row]) << row;
    }
    // On real screens the bands are covered from their first row to their last, never beyond.
    for (const CCaptureLayout& layout :
         {Layout(800, 600, kViewSyncDouble), Layout(1920, 1081, kViewSyncDouble)}) {
        const int last = layout.screenHeight - 1;
        EXPECT_EQ(ScreenRowOf(layout, 0, 0), 0);
        EXPECT_EQ(ScreenRowOf(layout, 0, last), layout.topRows - 1);
        EXPECT_EQ(ScreenRowOf(layout, 1, 0), layout.bottomStart);
        EXPECT_EQ(ScreenRowOf(layout, 1, last), last);
        for (int row = 1; row <= last; ++row)
            for (int half = 0; half < 2; ++half) {
                const int step = ScreenRowOf(layout, half, row) - ScreenRowOf(layout, half, row - 1);
                ASSERT_TRUE(step == 0 || step == 1) << row;
            }
    }
    EXPECT_EQ(ScreenRowOf(Layout(5, 5, kViewFlat2D), 0, 3), 3);
}

TEST(CaptureBands, BandsOfAnySizeMakeThePictureRowByRow) {
    const CCaptureLayout layouts[] = {Layout(3, 23, kViewInterlace), Layout(3, 22, kViewLineBlank),
                                      Layout(3, 23, kViewFlat2D), SyncDoubleLayout(3, 23, 7, 13),
                                      Layout(1024, 767, kViewSyncDouble)};
    // Bands of 2 to 8 rows end inside the stretched bands and inside the gap between them; 32 is the
    // capture's own.
    for (const CCaptureLayout& layout : layouts) {
        for (int bandRows : {2, 4, 8, kCaptureBandRows}) {
            const CBandedPicture picture(layout, bandRows);
            ASSERT_TRUE(picture.complete) << layout.viewMode << " in bands of " << bandRows;
            ASSERT_EQ(picture.rows.size(), picture.stride * layout.screenHeight);
            for (int row = 0; row < layout.screenHeight; ++row)
                ASSERT_TRUE(
                    picture.Shows(layout, row, ScreenRowOf(layout, 0, row), ScreenRowOf(layout, 1, row)))
                    << "mode " << layout.viewMode << ", bands of " << bandRows << ", row " << row;
        }
    }
    // The last band of an odd height is short.
    CBandPlan plan;
    ASSERT_TRUE(PlanBand(layouts[0], 4, 5, plan));
    EXPECT_EQ(plan.firstRow, 20);
    EXPECT_EQ(plan.rows, 3);
    EXPECT_EQ(BandCount(layouts[0], 4), 6);
}

TEST(CaptureBands, BandsThatDoNotFitAreRefusedUntouched) {
    const CCaptureLayout layout = Layout(4, 10, kViewInterlace);
    CBandPlan plan;
    EXPECT_FALSE(PlanBand(layout, 3, 0, plan)); // odd band height
    EXPECT_FALSE(PlanBand(layout, 0, 0, plan));
    EXPECT_FALSE(PlanBand(layout, 4, 3, plan)); // beyond the picture
    EXPECT_FALSE(PlanBand(layout, 4, -1, plan));
    ASSERT_TRUE(PlanBand(layout, 4, 1, plan));

    const std::size_t stride = 24;
    std::vector<std::uint8_t> band(stride * 4, 0x5A);
    const std::vector<std::uint8_t> before = band;
    EXPECT_FALSE(ArrangeBand(layout, plan, std::span(band).first(stride * 3 + 23), stride));
    EXPECT_FALSE(ArrangeBand(layout, plan, band, 23)); // rows wider than the stride
    CBandPlan odd = plan;
    odd.firstRow = 5; // pairs must begin at even rows
    EXPECT_FALSE(ArrangeBand(layout, odd, band, stride));
    CBandPlan beyond = plan;
    beyond.firstRow = 8; // rows 8 to 11 of a 10-row picture
    EXPECT_FALSE(ArrangeBand(layout, beyond, band, stride));
    EXPECT_EQ(band, before);
    EXPECT_TRUE(ArrangeBand(layout, plan, std::span(band).first(stride * 3 + 24), stride));
}
