// The capture series on the real file system and registry: which name a capture takes, what it writes,
// and what it refuses.

#include "keyhook/CaptureFileName.h"
#include "keyhook/ScreenCapture.h"
#include "linecode/ResultCodes.h"
#include "tests/support/WineTestSupport.h"
#include "tests/win/CaptureFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

using namespace testing_support;

namespace {

using CaptureSeries = CaptureFixture;
using CaptureSettingsInput = CaptureFixture;

std::string TwoDigits(int number) {
    return std::string(1, static_cast<char>('0' + number / 10)) + static_cast<char>('0' + number % 10);
}

int ScreenWidth() {
    return GetSystemMetrics(SM_CXSCREEN);
}
int ScreenHeight() {
    return GetSystemMetrics(SM_CYSCREEN);
}

} // namespace

TEST_F(CaptureSeries, CapturesTakeTheNextNumbersAsRealPicturesOfTheScreen) {
    WriteCaptureSettings(3, Dir(), "Flat__");
    ASSERT_EQ(CaptureScreen(), kResultOk);
    ASSERT_EQ(CaptureScreen(), kResultOk);
    WriteCaptureSettings(0, Dir(), "Pair__");
    ASSERT_EQ(CaptureScreen(), kResultOk);
    EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"Flat__00.jpg", "Flat__01.jpg", "Pair__00.jps"}));

    CDecodedPicture picture;
    ASSERT_TRUE(DecodePicture(Dir() + "Flat__01.jpg", picture));
    EXPECT_EQ(picture.width, ScreenWidth());
    EXPECT_EQ(picture.height, ScreenHeight());
    ASSERT_TRUE(DecodePicture(Dir() + "Pair__00.jps", picture));
    EXPECT_EQ(picture.width, 2 * ScreenWidth());
    EXPECT_EQ(picture.height, ScreenHeight());
}

TEST_F(CaptureSeries, EmptyReservedFilesCountAndGapsAreFilled) {
    WriteCaptureSettings(1, Dir(), "Series");
    for (int number = 0; number < 5; ++number)
        PutFile("Series" + TwoDigits(number) + ".jps");
    std::string path;
    std::int32_t viewMode = -1;
    ASSERT_EQ(MakeCaptureFileName(path, viewMode), 1);
    EXPECT_EQ(path, Dir() + "Series05.jps");
    EXPECT_EQ(viewMode, 1);
    EXPECT_EQ(FileSize("Series05.jps"), 0u) << "the name is reserved by an empty file";

    DeleteFileA((Dir() + "Series01.jps").c_str());
    ASSERT_EQ(MakeCaptureFileName(path, viewMode), 1);
    EXPECT_EQ(path, Dir() + "Series01.jps");
    // Only the view mode's own extension counts.
    PutFile("Other_00.jpg");
    WriteCaptureSettings(0, Dir(), "Other_");
    ASSERT_EQ(MakeCaptureFileName(path, viewMode), 1);
    EXPECT_EQ(path, Dir() + "Other_00.jps");
}

TEST_F(CaptureSeries, TakenNamesAreNeverTruncatedNorReplaced) {
    WriteCaptureSettings(3, Dir(), "Keep__");
    PutFile("Keep__00.jpg", 10);
    CreateDirectoryA((Dir() + "Keep__01.jpg").c_str(), nullptr);
    std::string path;
    std::int32_t viewMode = 0;
    ASSERT_EQ(MakeCaptureFileName(path, viewMode), 1);
    EXPECT_EQ(path, Dir() + "Keep__02.jpg");
    EXPECT_EQ(FileSize("Keep__00.jpg"), 10u);
}

TEST_F(CaptureSeries, WithAllHundredNamesTakenNothingIsWritten) {
    WriteCaptureSettings(2, Dir(), "Full__");
    for (int number = 0; number < 100; ++number)
        PutFile("Full__" + TwoDigits(number) + ".jps", number == 42 ? 3 : 0);
    EXPECT_EQ(CaptureScreen(), kResultCaptureUnavailable);
    EXPECT_EQ(FilesInDir().size(), 100u);
    EXPECT_EQ(FileSize("Full__42.jps"), 3u);
    EXPECT_EQ(FileSize("Full__99.jps"), 0u);
}

TEST_F(CaptureSeries, TwoCapturesAtOnceNeverShareAName) {
    WriteCaptureSettings(0, Dir(), "Race__");
    std::vector<std::string> paths[8];
    std::vector<std::thread> threads;
    for (auto& mine : paths) {
        threads.emplace_back([&mine] {
            for (int i = 0; i < 12; ++i) {
                std::string path;
                std::int32_t viewMode = 0;
                if (MakeCaptureFileName(path, viewMode))
                    mine.push_back(path);
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::set<std::string> distinct;
    size_t total = 0;
    for (const auto& mine : paths) {
        total += mine.size();
        distinct.insert(mine.begin(), mine.end());
    }
    EXPECT_EQ(total, 96u);
    EXPECT_EQ(distinct.size(), total) << "two captures were given the same name";
    EXPECT_EQ(FilesInDir().size(), 96u);
}

TEST_F(CaptureSettingsInput, TheDefaultDirectoryAndNameStandInForMissingOnes) {
    WriteRegistryNumber(kCaptureSettingsKey, "View Mode", 3);
    WriteRegistryString(kCaptureSettingsKey, "Default Dir", Dir());
    WriteRegistryString(kCaptureSettingsKey, "Default Name", "Deflt_");
    std::string path;
    std::int32_t viewMode = 0;
    ASSERT_EQ(MakeCaptureFileName(path, viewMode), 1);
    EXPECT_EQ(path, Dir() + "Deflt_00.jpg");

    // "Dir" and "Name" win over the defaults; a "Dir" of the wrong type counts as missing.
    WriteRegistryString(kCaptureSettingsKey, "Name", "Named_");
    WriteRegistryNumber(kCaptureSettingsKey, "Dir", 5);
    ASSERT_EQ(MakeCaptureFileName(path, viewMode), 1);
    EXPECT_EQ(path, Dir() + "Named_00.jpg");
}

TEST_F(CaptureSettingsInput, MissingOrBrokenSettingsCaptureNothing) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> write;
    };
    const Case cases[] = {
        {"no capture key", [](const std::string&) {}},
        {"no view mode",
         [](const std::string& dir) {
             WriteRegistryString(kCaptureSettingsKey, "Dir", dir);
             WriteRegistryString(kCaptureSettingsKey, "Name", "Broken");
         }},
        {"view mode as text",
         [](const std::string& dir) {
             WriteCaptureSettings(0, dir, "Broken");
             WriteRegistryString(kCaptureSettingsKey, "View Mode", "0");
         }},
        {"view mode 4", [](const std::string& dir) { WriteCaptureSettings(4, dir, "Broken"); }},
        {"view mode -1", [](const std::string& dir) { WriteCaptureSettings(0xFFFFFFFF, dir, "Broken"); }},
        {"no directory at all",
         [](const std::string&) {
             WriteRegistryNumber(kCaptureSettingsKey, "View Mode", 0);
             WriteRegistryString(kCaptureSettingsKey, "Name", "Broken");
         }},
        {"no name at all",
         [](const std::string& dir) {
             WriteRegistryNumber(kCaptureSettingsKey, "View Mode", 0);
             WriteRegistryString(kCaptureSettingsKey, "Dir", dir);
         }},
        {"a name of 300 characters",
         [](const std::string& dir) { WriteCaptureSettings(0, dir, std::string(300, 'n')); }},
        {"a directory that does not exist",
         [](const std::string& dir) { WriteCaptureSettings(0, dir + "gone\\", "Broken"); }},
        {"a directory without its backslash",
         [](const std::string& dir) { WriteCaptureSettings(0, dir + "sub", "\\x"); }},
        {"a name that climbs out",
         [](const std::string& dir) { WriteCaptureSettings(0, dir + "sub\\", "..\\up"); }},
        {"a relative directory", [](const std::string&) { WriteCaptureSettings(0, "captures\\", "Broken"); }},
        {"directory and name too long for a path",
         [](const std::string& dir) {
             WriteCaptureSettings(0, dir + std::string(200, 'd') + "\\", std::string(100, 'n'));
         }},
    };
    CreateDirectoryA((Dir() + "sub").c_str(), nullptr);
    char workingDirectory[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, workingDirectory);
    SetCurrentDirectoryA(Dir().c_str());
    for (const Case& c : cases) {
        DeleteProductTree();
        c.write(Dir());
        EXPECT_EQ(CaptureScreen(), kResultCaptureUnavailable) << c.what;
        EXPECT_EQ(FilesInDir(), std::vector<std::string>{"sub"}) << c.what;
    }
    SetCurrentDirectoryA(workingDirectory);
    RemoveDirectoryA((Dir() + "sub").c_str());
}

TEST_F(CaptureSeries, SaveDibAsJpegTakesTheColourTableThatFollowsTheHeader) {
    EXPECT_EQ(SaveDibAsJpeg(nullptr, "x", (Dir() + "a.jpg").c_str()), 0);
    // A 16 x 32 picture of 8 bits per pixel: index 1 is pure blue, index 2 pure red; the top half red.
    struct {
        BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), 16, 32, 1, 8, BI_RGB, 16 * 32, 0, 0, 0, 0};
        RGBQUAD table[256]{};
    } dib;
    dib.table[1] = RGBQUAD{255, 0, 0, 0};
    dib.table[2] = RGBQUAD{0, 0, 255, 0};
    BYTE rows[16 * 32];
    for (int row = 0; row < 32; ++row) // bottom row first
        std::fill_n(rows + 16 * row, 16, row < 16 ? 1 : 2);
    EXPECT_EQ(SaveDibAsJpeg(&dib.header, nullptr, (Dir() + "a.jpg").c_str()), 0);
    EXPECT_TRUE(FilesInDir().empty());
    ASSERT_EQ(SaveDibAsJpeg(&dib.header, rows, (Dir() + "palette.jpg").c_str()), 1);
    CDecodedPicture picture;
    ASSERT_TRUE(DecodePicture(Dir() + "palette.jpg", picture));
    EXPECT_LE(ChannelDifference(picture.At(8, 4), 0xFF0000), 40);
    EXPECT_LE(ChannelDifference(picture.At(8, 27), 0x0000FF), 40);
    // Where the encoder cannot write, the result says so.
    EXPECT_EQ(SaveDibAsJpeg(&dib.header, rows, (Dir() + "missing\\x.jpg").c_str()), 0);
}
