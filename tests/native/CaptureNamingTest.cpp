#include "keyhook/CaptureNaming.h"

#include <gtest/gtest.h>

TEST(CaptureNaming, DirectoryNameTwoDigitsAndTheViewModesExtension) {
    EXPECT_EQ(CaptureFileName("C:\\Shots\\", "Captur", 0, 0), "C:\\Shots\\Captur00.jps");
    EXPECT_EQ(CaptureFileName("C:\\Shots\\", "Captur", 7, 1), "C:\\Shots\\Captur07.jps");
    EXPECT_EQ(CaptureFileName("C:\\Shots\\", "Captur", 42, 2), "C:\\Shots\\Captur42.jps");
    EXPECT_EQ(CaptureFileName("C:\\Shots\\", "Captur", 99, 3), "C:\\Shots\\Captur99.jpg");
    // The directory is a plain prefix, used as stored.
    EXPECT_EQ(CaptureFileName("D:\\Shots", "x", 5, 3), "D:\\Shotsx05.jpg");
    EXPECT_EQ(CaptureFileName("\\\\server\\share\\", "", 1, 0), "\\\\server\\share\\01.jps");
}

TEST(CaptureNaming, NumbersAndViewModesOutsideTheirRangesGiveNoName) {
    for (int number : {-1, 100, 1000})
        EXPECT_EQ(CaptureFileName("C:\\", "a", number, 0), "") << number;
    for (int viewMode : {-1, 4, 0x7FFFFFFF})
        EXPECT_EQ(CaptureFileName("C:\\", "a", 0, viewMode), "") << viewMode;
    EXPECT_TRUE(IsCaptureViewMode(0));
    EXPECT_TRUE(IsCaptureViewMode(3));
    EXPECT_FALSE(IsCaptureViewMode(4));
}

TEST(CaptureNaming, RelativeMalformedOrDeviceDirectoriesAreRefused) {
    for (const char* dir :
         {"", "Shots\\", ".\\", "..\\", "\\Shots\\", "C:", "C:Shots\\", "1:\\", "\\\\\\x\\", "C:\\a*\\",
          "C:\\a?\\", "C:\\a|b\\", "C:\\a\"b\\", "C:\\a<b\\", "C:\\a\tb\\", "C:\\a:b\\"}) {
        EXPECT_FALSE(IsCaptureDirectory(dir)) << dir;
        EXPECT_EQ(CaptureFileName(dir, "Captur", 0, 0), "") << dir;
    }
    // A server without a share, devices and pipes: no folders.
    for (const char* dir : {"\\\\host\\", "\\\\.\\pipe\\x\\", "\\\\?\\GLOBALROOT\\x\\", "\\??\\C:\\x\\",
                            "\\\\host\\pipe\\x\\", "//host/MailSlot/x/"})
        EXPECT_FALSE(IsCaptureDirectory(dir)) << dir;
    for (const char* dir : {"C:\\", "z:/pictures/", "C:\\Program Files\\x\\", "\\\\host\\share\\dir\\"})
        EXPECT_TRUE(IsCaptureDirectory(dir)) << dir;
}

TEST(CaptureNaming, NamesThatWouldLeaveTheDirectoryAreRefused) {
    for (const char* name : {"..\\up", "a/b", "sub\\x", "C:x", "x:stream", "a*", "a?", "a\x01", "<>"}) {
        EXPECT_FALSE(IsCaptureName(name)) << name;
        EXPECT_EQ(CaptureFileName("C:\\Shots\\", name, 0, 0), "") << name;
    }
    for (const char* name : {"", "Captur", "..", "my shot", "\xe9t\xe9"})
        EXPECT_TRUE(IsCaptureName(name)) << name;
}

TEST(CaptureNaming, APathLongerThanTheLimitGivesNoName) {
    // Directory and name may each be up to 254 characters; together they must leave room for the
    // digits and the extension within MAX_PATH.
    const std::string dir = "C:\\" + std::string(240, 'd') + "\\";
    const std::size_t room = kMaxCapturePathLength - dir.size() - 6; // two digits and ".jps"
    EXPECT_EQ(CaptureFileName(dir, std::string(room, 'n'), 0, 0).size(), kMaxCapturePathLength);
    EXPECT_EQ(CaptureFileName(dir, std::string(room + 1, 'n'), 0, 0), "");
    EXPECT_EQ(CaptureFileName(dir, std::string(254, 'n'), 99, 3), "");
    EXPECT_EQ(CaptureFileName("C:\\" + std::string(600, 'd') + "\\", "a", 0, 0), "");
}
