// The capture series on the real file system and registry: which name a capture takes, what it writes,
// what it refuses, and that its file is whole or gone, whoever looks at it meanwhile.

#include "display/JpegCodec.h"
#include "display/SyncDoubleBands.h"
#include "keyhook/CaptureFileName.h"
#include "keyhook/ScreenCapture.h"
#include "linecode/ResultCodes.h"
#include "tests/support/WineTestSupport.h"
#include "tests/win/CaptureFixture.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <thread>

using namespace testing_support;

namespace {

using CaptureSeries = CaptureFixture;
using CaptureSettingsInput = CaptureFixture;

std::string TwoDigits(int number) {
    return std::string(1, static_cast<char>('0' + number / 10)) + static_cast<char>('0' + number % 10);
}

// Another program that opens every file of a directory for a moment, again and again, as an indexer,
// a virus scanner or a sync client does: reading, sharing reading and writing but not deletion. It
// notes what it found in each file each time it could open it.
class CFileWatcher {
public:
    struct CSight {
        std::size_t size;
        bool wholeJpeg; // begins with the start marker and ends with the end marker
        bool operator<(const CSight& other) const {
            return size != other.size ? size < other.size : wholeJpeg < other.wholeJpeg;
        }
    };

    explicit CFileWatcher(std::string dir) : m_dir(std::move(dir)), m_thread([this] { Watch(); }) {}
    ~CFileWatcher() { Stop(); }

    void Stop() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    std::map<std::string, std::set<CSight>> Seen() {
        std::lock_guard lock(m_mutex);
        return m_seen;
    }

private:
    void Watch() {
        while (!m_stop) {
            Sleep(1);
            WIN32_FIND_DATAA found;
            CFindHandle search(FindFirstFileA((m_dir + "*").c_str(), &found));
            if (!search)
                continue;
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    Look(found.cFileName);
            } while (!m_stop && FindNextFileA(search, &found));
        }
    }
    void Look(const std::string& name) {
        CFileHandle file(CreateFileA((m_dir + name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file)
            return;
        std::string bytes;
        char buffer[65536];
        DWORD read = 0;
        while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
            bytes.append(buffer, read);
        Sleep(3); // holds it a moment
        const bool whole = bytes.size() >= 4 && bytes.compare(0, 2, "\xFF\xD8") == 0 &&
                           bytes.compare(bytes.size() - 2, 2, "\xFF\xD9") == 0;
        std::lock_guard lock(m_mutex);
        m_seen[name].insert(CSight{bytes.size(), whole});
    }

    std::string m_dir;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::map<std::string, std::set<CSight>> m_seen;
    std::thread m_thread;
};

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
    CCaptureFile file;
    std::int32_t viewMode = -1;
    ASSERT_EQ(MakeCaptureFileName(file, viewMode), 1);
    EXPECT_EQ(file.Path(), Dir() + "Series05.jps");
    EXPECT_EQ(viewMode, 1);
    EXPECT_EQ(FilesInDir().size(), 6u) << "the name is reserved by a file";

    DeleteFileA((Dir() + "Series01.jps").c_str());
    CCaptureFile gap;
    ASSERT_EQ(MakeCaptureFileName(gap, viewMode), 1);
    EXPECT_EQ(gap.Path(), Dir() + "Series01.jps");
    // Only the view mode's own extension counts.
    PutFile("Other_00.jpg");
    WriteCaptureSettings(0, Dir(), "Other_");
    CCaptureFile other;
    ASSERT_EQ(MakeCaptureFileName(other, viewMode), 1);
    EXPECT_EQ(other.Path(), Dir() + "Other_00.jps");
    // Lossless pictures and JPEG ones make one series: a number that either holds is taken.
    WriteRegistryNumber(kCaptureSettingsKey, "Lossless", 1);
    CCaptureFile lossless;
    ASSERT_EQ(MakeCaptureFileName(lossless, viewMode), 1);
    EXPECT_EQ(lossless.Path(), Dir() + "Other_01.pns");
    WriteRegistryNumber(kCaptureSettingsKey, "Lossless", 0);
    ASSERT_EQ(MakeCaptureFileName(gap, viewMode), 1);
    EXPECT_EQ(gap.Path(), Dir() + "Other_02.jps");
}

TEST_F(CaptureSeries, TakenNamesAreNeverTruncatedNorReplaced) {
    WriteCaptureSettings(3, Dir(), "Keep__");
    PutFile("Keep__00.jpg", 10);
    CreateDirectoryA((Dir() + "Keep__01.jpg").c_str(), nullptr);
    CCaptureFile file;
    std::int32_t viewMode = 0;
    ASSERT_EQ(MakeCaptureFileName(file, viewMode), 1);
    EXPECT_EQ(file.Path(), Dir() + "Keep__02.jpg");
    EXPECT_EQ(FileSize("Keep__00.jpg"), 10u);
    // A reservation not kept goes, and its number is free again; one kept stays, empty.
    file.Close();
    EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"Keep__00.jpg", "Keep__01.jpg"}));
    ASSERT_EQ(MakeCaptureFileName(file, viewMode), 1);
    EXPECT_EQ(file.Path(), Dir() + "Keep__02.jpg");
    EXPECT_TRUE(file.Keep());
    file.Close();
    EXPECT_EQ(FileSize("Keep__02.jpg"), 0u);
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
    std::vector<CCaptureFile> files[8];
    std::vector<std::thread> threads;
    for (auto& mine : files) {
        threads.emplace_back([&mine] {
            for (int i = 0; i < 12; ++i) {
                CCaptureFile file;
                std::int32_t viewMode = 0;
                if (MakeCaptureFileName(file, viewMode))
                    mine.push_back(std::move(file));
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    std::set<std::string> distinct;
    size_t total = 0;
    for (const auto& mine : files) {
        total += mine.size();
        for (const CCaptureFile& file : mine)
            distinct.insert(file.Path());
    }
    EXPECT_EQ(total, 96u);
    EXPECT_EQ(distinct.size(), total) << "two captures were given the same name";
    EXPECT_EQ(FilesInDir().size(), 96u);
    for (auto& mine : files)
        mine.clear();
    EXPECT_TRUE(FilesInDir().empty()) << "reservations that were not kept stayed";
}

TEST_F(CaptureSettingsInput, TheDefaultDirectoryAndNameStandInForMissingOnes) {
    WriteRegistryNumber(kCaptureSettingsKey, "View Mode", 3);
    WriteRegistryString(kCaptureSettingsKey, "Default Dir", Dir());
    WriteRegistryString(kCaptureSettingsKey, "Default Name", "Deflt_");
    CCaptureFile file;
    std::int32_t viewMode = 0;
    ASSERT_EQ(MakeCaptureFileName(file, viewMode), 1);
    EXPECT_EQ(file.Path(), Dir() + "Deflt_00.jpg");

    // "Dir" and "Name" win over the defaults; a "Dir" of the wrong type counts as missing.
    WriteRegistryString(kCaptureSettingsKey, "Name", "Named_");
    WriteRegistryNumber(kCaptureSettingsKey, "Dir", 5);
    ASSERT_EQ(MakeCaptureFileName(file, viewMode), 1);
    EXPECT_EQ(file.Path(), Dir() + "Named_00.jpg");

    // With no usable folder stored (a relative one counts as missing), the user's own: "Zelto Captures"
    // in their Pictures, made by the first capture that goes there.
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kCaptureSettingsKey, "Default Dir");
    WriteRegistryString(kCaptureSettingsKey, "Dir", "captures\\");
    char pictures[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, pictures), S_OK);
    const std::string own = std::string(pictures) + "\\Zelto Captures\\";
    RemoveDirectoryA(own.c_str());
    ASSERT_EQ(MakeCaptureFileName(file, viewMode), 1);
    EXPECT_EQ(file.Path(), own + "Named_00.jpg");
    file.Close();
    EXPECT_TRUE(RemoveDirectoryA(own.c_str())) << "the folder was not made, or not emptied";
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
        {"no name at all",
         [](const std::string& dir) {
             WriteRegistryNumber(kCaptureSettingsKey, "View Mode", 0);
             WriteRegistryString(kCaptureSettingsKey, "Dir", dir);
         }},
        {"a name of 300 characters",
         [](const std::string& dir) { WriteCaptureSettings(0, dir, std::string(300, 'n')); }},
        {"a directory whose parent does not exist",
         [](const std::string& dir) { WriteCaptureSettings(0, dir + "gone\\deeper\\", "Broken"); }},
        {"a name that Windows takes for a device",
         [](const std::string& dir) { WriteCaptureSettings(0, dir, "nul.__"); }},
        {"a directory without its backslash",
         [](const std::string& dir) { WriteCaptureSettings(0, dir + "sub", "\\x"); }},
        {"a name that climbs out",
         [](const std::string& dir) { WriteCaptureSettings(0, dir + "sub\\", "..\\up"); }},
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

// Two users, each with a registry of their own standing in for HKEY_CURRENT_USER, capture into their
// own folders; a third, who chose nothing, where the machine's settings say. The machine's lossless
// captures hold for those who did not choose (Bert's "Lossless" of 9 is no choice), not for Anna, who
// chose JPEG.
TEST_F(CaptureSeries, EachUserCapturesIntoTheirOwnFolder) {
    WriteCaptureSettings(0, Dir(), "Shared");
    WriteRegistryNumber(kCaptureSettingsKey, "Lossless", 1);
    for (const char* user : {"Anna", "Bert", "Anna", "Carl"}) {
        HKEY hive = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, (std::string("Software\\Zelto Test Users\\") + user).c_str(), 0,
                        nullptr, 0, KEY_ALL_ACCESS, nullptr, &hive, nullptr);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, hive), ERROR_SUCCESS);
        RegCloseKey(hive);
        if (user[0] != 'C' && CreateDirectoryA((Dir() + user).c_str(), nullptr)) {
            ::WriteCaptureSettings(3, Dir() + user + "\\", user);
            const DWORD lossless = user[0] == 'A' ? 0 : 9;
            RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Korva Corporation\\Zelto Activator\\1.0\\Capture",
                            "Lossless", REG_DWORD, &lossless, sizeof lossless);
        }
        EXPECT_EQ(CaptureScreen(), kResultOk) << user;
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Zelto Test Users");
    EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"Anna", "Bert", "Shared00.pns"}));
    for (const char* file : {"Anna\\Anna00.jpg", "Anna\\Anna01.jpg", "Bert\\Bert00.png"})
        EXPECT_TRUE(DeleteFileA((Dir() + file).c_str())) << file;
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

TEST_F(CaptureSeries, CapturesLandWholeWhileAnotherProgramOpensEveryNewFile) {
    CFileWatcher watcher(Dir());
    const std::pair<std::uint32_t, const char*> captures[] = {{0, "Watch_00.jps"}, {1, "Watch_01.jps"},
                                                              {3, "Watch_00.jpg"}, {2, "Watch_02.jps"},
                                                              {3, "Watch_01.jpg"}, {0, "Watch_03.jps"}};
    for (const auto& [viewMode, name] : captures) {
        WriteCaptureSettings(viewMode, Dir(), "Watch_");
        ASSERT_EQ(CaptureScreen(), kResultOk) << name;
    }
    // An encoding that fails half-way (the rows stop short): its reserved file goes.
    {
        WriteCaptureSettings(3, Dir(), "Watch_");
        CCaptureFile file;
        std::int32_t viewMode = 0;
        ASSERT_EQ(MakeCaptureFileName(file, viewMode), 1);
        EXPECT_EQ(file.Path(), Dir() + "Watch_02.jpg");
        CJpegRowEncoder encoder;
        ASSERT_TRUE(encoder.Begin(file.Handle(), 64, 64));
        const std::vector<BYTE> rows(64 * 3 * 32, 0x80);
        EXPECT_TRUE(encoder.WriteRows(rows.data(), 32, 64 * 3));
        EXPECT_FALSE(encoder.Finish());
    }
    std::vector<std::string> expected;
    for (const auto& capture : captures)
        expected.push_back(capture.second);
    std::sort(expected.begin(), expected.end());
    EXPECT_TRUE(WaitUntil([&] { return watcher.Seen().size() >= expected.size(); }, 10000));
    watcher.Stop();

    EXPECT_EQ(FilesInDir(), expected) << "a capture is missing, or a partial or empty file stayed";
    const auto seen = watcher.Seen();
    for (const std::string& name : expected) {
        CDecodedPicture picture;
        ASSERT_TRUE(DecodePicture(Dir() + name, picture)) << name;
        EXPECT_EQ(picture.width, name.ends_with(".jpg") ? ScreenWidth() : 2 * ScreenWidth()) << name;
        EXPECT_EQ(picture.height, ScreenHeight()) << name;
        // What the other program found, whenever it could open the file: the whole picture.
        const auto sights = seen.find(name);
        ASSERT_NE(sights, seen.end()) << name << " was never readable";
        for (const CFileWatcher::CSight& sight : sights->second) {
            EXPECT_TRUE(sight.wholeJpeg) << name << " was seen with " << sight.size << " bytes";
            EXPECT_EQ(sight.size, static_cast<std::size_t>(FileSize(name))) << name;
        }
    }
    EXPECT_EQ(seen.count("Watch_02.jpg"), 0u) << "the failed capture's file could be read";
}

// Run as a program of its own by the test below: reserves a capture, writes the beginning of a
// picture and ends abruptly, as a program killed during a capture does.
TEST(CaptureChild, DISABLED_ReservesWritesAndIsKilled) {
    CCaptureFile file;
    std::int32_t viewMode = 0;
    ASSERT_EQ(MakeCaptureFileName(file, viewMode), 1);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.Handle(), "\xFF\xD8\xFF\xE0", 4, &written, nullptr));
    TerminateProcess(GetCurrentProcess(), 7);
}

TEST_F(CaptureSeries, AProgramKilledDuringACaptureLeavesNothing) {
    WriteCaptureSettings(0, Dir(), "Killed");
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    CChildProcess child;
    ASSERT_TRUE(child.Start(self, "--gtest_also_run_disabled_tests --gtest_filter=CaptureChild.*"));
    ASSERT_EQ(child.Wait(60000), 7);
    EXPECT_TRUE(FilesInDir().empty());
}

// Registered on a screen too small for the Sync Double bands of its width.
TEST_F(CaptureSeries, AScreenThatCannotBeCopiedFailsTheCaptureAndLeavesNothing) {
    const int width = ScreenWidth(), height = ScreenHeight();
    if (SyncDoubleBands(width, height).bottomStart < height)
        GTEST_SKIP() << "the bands fit a " << width << "x" << height << " screen";
    WriteCaptureSettings(1, Dir(), "Small_");
    EXPECT_EQ(CaptureScreen(), kResultBlitFailed);
    EXPECT_TRUE(FilesInDir().empty());
    // The other view modes read that screen.
    WriteCaptureSettings(0, Dir(), "Small_");
    EXPECT_EQ(CaptureScreen(), kResultOk);
    EXPECT_EQ(FilesInDir(), std::vector<std::string>{"Small_00.jps"});
}
