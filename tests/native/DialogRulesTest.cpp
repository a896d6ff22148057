// The plain rules of the capture settings and the test: the chosen capture file split into directory
// and name, the bitmap extension, and the test display's Sync Double bands.

#include "activator/CapturePathRules.h"
#include "activator/TestDisplayRules.h"

#include <gtest/gtest.h>

TEST(SplitChosenCapturePath, DirectoryUpToTheLastBackslashAndTheTitleMadeSixLong) {
    struct Case {
        const char* path;
        const char* dir;
        const char* name;
    };
    for (Case c : {Case{"D:\\Stereo\\frame.jpg", "D:\\Stereo\\", "frame_"},
                   Case{"C:\\Capture\\Pictures.jps", "C:\\Capture\\", "Pictur"},
                   Case{"C:\\a.b\\shot", "C:\\a.b\\", "shot__"},
                   Case{"C:\\x\\my.shot.jpg", "C:\\x\\", "my.sho"}, Case{"C:\\x\\.jpg", "C:\\x\\", "______"},
                   Case{"name.jpg", "", "name__"}, Case{"C:\\x\\", "C:\\x\\", "______"}}) {
        const CCaptureLocation location = SplitChosenCapturePath(c.path);
        EXPECT_EQ(location.dir, c.dir) << c.path;
        EXPECT_EQ(location.name, c.name) << c.path;
    }
}

TEST(HasBitmapExtension, ComparesTheFilesExtensionWithoutCase) {
    EXPECT_TRUE(HasBitmapExtension("C:\\Pictures\\left.bmp"));
    EXPECT_TRUE(HasBitmapExtension("C:\\Pictures\\left.BmP"));
    EXPECT_TRUE(HasBitmapExtension("a.b.bmp"));
    EXPECT_FALSE(HasBitmapExtension("C:\\Pictures\\left.jpg"));
    EXPECT_FALSE(HasBitmapExtension("C:\\Pictures\\left.bmpx"));
    EXPECT_FALSE(HasBitmapExtension("C:\\dir.bmp\\left"));
    EXPECT_FALSE(HasBitmapExtension("C:\\Pictures\\bmp"));
    EXPECT_FALSE(HasBitmapExtension(""));
}

TEST(TestDisplayBands, ByWidthWithinTheScreen) {
    struct Case {
        int width, height, topBottom, bottomTop, bottomBottom;
    };
    for (Case c : {Case{640, 480, 200, 263, 463}, Case{800, 600, 287, 315, 600},
                   Case{1024, 768, 365, 404, 768}, Case{1280, 1024, 491, 533, 1024},
                   Case{1600, 1200, 575, 625, 1200}, Case{1920, 1080, 518, 562, 1080},
                   // Fixed rows on a screen shorter than they assume are cut at its bottom.
                   Case{640, 400, 200, 263, 400}, Case{800, 240, 240, 240, 240}}) {
        const CTestBands bands = TestDisplayBands(c.width, c.height);
        EXPECT_EQ(bands.top.left, 0);
        EXPECT_EQ(bands.top.top, 0);
        EXPECT_EQ(bands.top.right, c.width);
        EXPECT_EQ(bands.top.bottom, c.topBottom) << c.width << "x" << c.height;
        EXPECT_EQ(bands.bottom.left, 0);
        EXPECT_EQ(bands.bottom.right, c.width);
        EXPECT_EQ(bands.bottom.top, c.bottomTop) << c.width << "x" << c.height;
        EXPECT_EQ(bands.bottom.bottom, c.bottomBottom) << c.width << "x" << c.height;
    }
}
