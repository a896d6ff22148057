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

TEST(CheckCaptureEntry, WhatTheSettingsRefuseBeforeStoringIt) {
    using Problem = CCaptureEntryProblem;
    EXPECT_EQ(CheckCaptureEntry("C:\\Shots\\", "Pictures", 0), Problem::kNone);
    EXPECT_EQ(CheckCaptureEntry("\\\\host\\share\\", "", 3), Problem::kNone);
    for (const char* name :
         {"a\\b", "a/b", "C:x", "a*", "a?", "say\"", "<x", "x>", "a|b", "tab\there", "bell\a"})
        EXPECT_EQ(CheckCaptureEntry("C:\\Shots\\", name, 1), Problem::kName) << name;
    // A device's name, as typed or as the name rule makes it six long.
    for (const char* name : {"NUL", "nul.", "CON .x", "COM1", "Aux.__", "PRN   x"})
        EXPECT_EQ(CheckCaptureEntry("C:\\Shots\\", name, 1), Problem::kDeviceName) << name;
    EXPECT_EQ(CheckCaptureEntry("C:\\Shots\\", "NUL:", 1), Problem::kName);
    EXPECT_EQ(CheckCaptureEntry("C:\\NUL\\", "Captur", 1), Problem::kDevice);
    // The name is told first when both are wrong.
    EXPECT_EQ(CheckCaptureEntry("\\", "a?", 1), Problem::kName);
    for (const char* dir : {"\\", "Shots\\", "C:Shots\\", "\\Shots\\", "C:\\a*\\", "C:\\a:b\\"})
        EXPECT_EQ(CheckCaptureEntry(dir, "Captur", 2), Problem::kDirectory) << dir;
    // A directory that leaves no room for the name, the digits and the extension.
    const std::string longDir = "C:\\" + std::string(250, 'd') + "\\";
    EXPECT_EQ(CheckCaptureEntry(longDir, "Captur", 0), Problem::kTooLong);
    EXPECT_EQ(CheckCaptureEntry("C:\\" + std::string(200, 'd') + "\\", "Captur", 0), Problem::kNone);
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
