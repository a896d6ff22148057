#include "display/SyncDoubleBands.h"

#include <gtest/gtest.h>

TEST(SyncDoubleBands, TheFiveListedWidthsHaveTheirOwnRows) {
    struct Row {
        int width, height, top, bottom;
    };
    for (Row row : {Row{640, 480, 223, 257}, Row{800, 600, 285, 315}, Row{1024, 768, 364, 404},
                    Row{1152, 864, 412, 452}, Row{1280, 1024, 495, 529}}) {
        CSyncDoubleBands bands = SyncDoubleBands(row.width, row.height);
        EXPECT_EQ(bands.topRows, row.top) << row.width;
        EXPECT_EQ(bands.bottomStart, row.bottom) << row.width;
    }
    // The listed widths do not look at the height.
    EXPECT_EQ(SyncDoubleBands(1024, 600).bottomStart, 404);
}

TEST(SyncDoubleBands, OtherWidthsSplitTheHeightWithAFortyRowGap) {
    EXPECT_EQ(SyncDoubleBands(1600, 1200).topRows, 580);
    EXPECT_EQ(SyncDoubleBands(1600, 1200).bottomStart, 620);
    EXPECT_EQ(SyncDoubleBands(1920, 1080).topRows, 520);
    EXPECT_EQ(SyncDoubleBands(1920, 1081).bottomStart, 560); // 1081 / 2 truncates to 540
}
