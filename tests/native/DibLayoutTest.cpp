#include "display/DibLayout.h"

#include <gtest/gtest.h>

TEST(DibLayout, RowsArePaddedToFourBytesAndTablesFollowTheDepth) {
    CDibLayout layout;
    ASSERT_TRUE(DibLayoutOf(640, 480, 24, layout));
    EXPECT_EQ(layout.stride, 1920u);
    EXPECT_EQ(layout.imageBytes, 921600u);
    EXPECT_EQ(layout.headerBytes, 40u);
    ASSERT_TRUE(DibLayoutOf(1, 1, 24, layout));
    EXPECT_EQ(layout.stride, 4u);
    ASSERT_TRUE(DibLayoutOf(10, 2, 1, layout));
    EXPECT_EQ(layout.stride, 4u);
    EXPECT_EQ(layout.imageBytes, 8u);
    EXPECT_EQ(layout.headerBytes, 48u);
    ASSERT_TRUE(DibLayoutOf(3, -5, 8, layout)); // top-down rows count the same
    EXPECT_EQ(layout.stride, 4u);
    EXPECT_EQ(layout.imageBytes, 20u);
    EXPECT_EQ(layout.headerBytes, 40u + 1024u);
    ASSERT_TRUE(DibLayoutOf(9, 1, 4, layout));
    EXPECT_EQ(layout.stride, 8u);
    EXPECT_EQ(layout.tableEntries, 16u);
}

TEST(DibLayout, SizesThatWouldWrapAroundAreRefused) {
    CDibLayout layout;
    EXPECT_FALSE(DibLayoutOf(0, 10, 24, layout));
    EXPECT_FALSE(DibLayoutOf(10, 0, 24, layout));
    EXPECT_FALSE(DibLayoutOf(-4, 10, 24, layout));
    EXPECT_FALSE(DibLayoutOf(10, 10, 0, layout));
    EXPECT_FALSE(DibLayoutOf(10, 10, 33, layout));
    // 65536 x 65536 at 24 bits: 12 GiB, which a 32-bit size would wrap to a small number.
    EXPECT_FALSE(DibLayoutOf(65536, 65536, 24, layout));
    EXPECT_FALSE(DibLayoutOf(0x7FFFFFFF, 1, 32, layout));
    EXPECT_FALSE(DibLayoutOf(1, -2147483648LL, 24, layout));
    EXPECT_FALSE(DibLayoutOf(32768, 32768, 32, layout)); // exactly 4 GiB
    EXPECT_TRUE(DibLayoutOf(32767, 32768, 32, layout));
    EXPECT_EQ(layout.imageBytes, 32767u * 4u * 32768u);
}
