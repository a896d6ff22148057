#include "keyhook/CaptureLayout.h"
#include "settings/SettingsTypes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

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

// A copy of a screen, 4 bytes a pixel, whose pixel (x, row) has the colour bytes (row, x, channel)
// and an unused fourth byte 0xEE, rows `stride` bytes apart.
struct CScreenRows {
    std::size_t stride;
    std::vector<std::uint8_t> bytes;

    static std::uint8_t Colour(int row, int x, int channel) {
        return static_cast<std::uint8_t>(row * 11 + x * 3 + channel);
    }

    CScreenRows(int width, int height) : stride(4 * static_cast<std::size_t>(width) + 4) {
        bytes.assign(stride * height, 0xEE);
        for (int row = 0; row < height; ++row)
            for (int x = 0; x < width; ++x)
                for (int channel = 0; channel < 3; ++channel)
                    bytes[row * stride + 4 * x + channel] = Colour(row, x, channel);
    }
    // Whether `half` of picture row `picture` (3 bytes a pixel) holds screen row `row`.
    static bool Holds(const std::uint8_t* picture, int width, int half, int row) {
        for (int x = 0; x < width; ++x)
            for (int channel = 0; channel < 3; ++channel)
                if (picture[3 * (width * half + x) + channel] != Colour(row, x, channel))
                    return false;
        return true;
    }
};

} // namespace

TEST(CaptureLayout, LayoutsFollowTheViewModeAndRefuseScreensTheyCannotRead) {
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

TEST(CaptureLayout, SyncDoubleCoversEachBandFromItsFirstRowToItsLast) {
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
}

TEST(CaptureLayout, PictureRowsAreComposedFromTheirScreenRowsInBlocksOfAnySize) {
    struct Case {
        CCaptureLayout layout;
        std::vector<std::vector<int>> rows; // per picture row: the screen row of each half
    };
    const Case cases[] = {
        {Layout(4, 7, kViewInterlace), {{0, 1}, {0, 1}, {2, 3}, {2, 3}, {4, 5}, {4, 5}, {6, 6}}},
        {Layout(4, 4, kViewLineBlank), {{0, 1}, {0, 1}, {2, 3}, {2, 3}}},
        // Sync Double stretches 4 rows, and the 3 from row 7, to 10: the middle of row y lies at
        // (y + 1/2) * 4 / 10 band rows.
        {SyncDoubleLayout(2, 10, 4, 7),
         {{0, 7}, {0, 7}, {1, 7}, {1, 8}, {1, 8}, {2, 8}, {2, 8}, {3, 9}, {3, 9}, {3, 9}}},
        {Layout(3, 5, kViewFlat2D), {{0}, {1}, {2}, {3}, {4}}},
    };
    for (const Case& c : cases) {
        const int width = c.layout.screenWidth;
        const int height = c.layout.screenHeight;
        const CScreenRows screen(width, height);
        const std::size_t rowBytes = 3 * static_cast<std::size_t>(PictureWidth(c.layout));
        for (int block : {1, 3, height}) {
            std::vector<std::uint8_t> picture(rowBytes * height);
            for (int row = 0; row < height; row += block) {
                const int count = std::min(block, height - row);
                ASSERT_TRUE(ComposePictureRows(c.layout, screen.bytes, screen.stride, row, count,
                                               std::span(picture).subspan(row * rowBytes, count * rowBytes),
                                               rowBytes));
            }
            for (int row = 0; row < height; ++row)
                for (std::size_t half = 0; half < c.rows[row].size(); ++half)
                    EXPECT_TRUE(CScreenRows::Holds(picture.data() + row * rowBytes, width,
                                                   static_cast<int>(half), c.rows[row][half]))
                        << "view mode " << c.layout.viewMode << ", blocks of " << block << ", row " << row
                        << ", half " << half;
        }
    }
}

TEST(CaptureLayout, RowsThatDoNotFitAreRefusedWithNothingWritten) {
    const CCaptureLayout layout = Layout(4, 10, kViewInterlace);
    const CScreenRows screen(4, 10);
    const std::size_t rowBytes = 24;
    std::vector<std::uint8_t> picture(rowBytes * 4, 0x5A);
    const std::vector<std::uint8_t> before = picture;
    const std::span<const std::uint8_t> shortScreen =
        std::span(screen.bytes).first(screen.bytes.size() - screen.stride);
    EXPECT_FALSE(ComposePictureRows(layout, screen.bytes, screen.stride, 8, 4, picture, rowBytes)); // beyond
    EXPECT_FALSE(ComposePictureRows(layout, screen.bytes, screen.stride, -1, 2, picture, rowBytes));
    EXPECT_FALSE(ComposePictureRows(layout, screen.bytes, screen.stride, 0, 0, picture, rowBytes));
    EXPECT_FALSE(
        ComposePictureRows(layout, screen.bytes, screen.stride, 0, 5, picture, rowBytes)); // 4 rows room
    EXPECT_FALSE(ComposePictureRows(layout, screen.bytes, screen.stride, 0, 4, picture, rowBytes - 1));
    EXPECT_FALSE(ComposePictureRows(layout, screen.bytes, 15, 0, 4, picture, rowBytes)); // stride < row
    EXPECT_FALSE(ComposePictureRows(layout, shortScreen, screen.stride, 0, 4, picture, rowBytes));
    EXPECT_EQ(picture, before);
    EXPECT_TRUE(ComposePictureRows(layout, screen.bytes, screen.stride, 6, 4, picture, rowBytes));
}
