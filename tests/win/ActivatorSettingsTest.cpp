// Loading the Activator's settings from the real registry, with good, odd and broken values, and the
// capture settings as the other deliverables read them.

#include "activator/ActivatorDlg.h"
#include "settings/CaptureSettings.h"
#include "settings/RegistryKey.h"
#include "tests/support/WineTestSupport.h"

#include <shlobj.h>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

const std::string kVersionKey = std::string(kProductKeyPath) + "\\1.0";
const std::string kCaptureKey = kVersionKey + "\\Capture";
const std::string kHotKeyKey = kVersionKey + "\\HotKey";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteProductTree(); }
    void TearDown() override { DeleteProductTree(); }
};

using RegistryKeyValues = RegistryTest;
using ActivatorLoadSettings = RegistryTest;

CActivatorSettings Load() {
    CActivatorDlg dialog;
    dialog.LoadSettings();
    return dialog.Settings();
}

} // namespace

TEST_F(RegistryKeyValues, StringsMustFitTheBufferWithTheirTerminator) {
    WriteRegistryString(kCaptureKey, "Fits", std::string(254, 'a'));
    WriteRegistryString(kCaptureKey, "TooLong", std::string(255, 'b'));
    WriteRegistryString(kCaptureKey, "Long300", std::string(300, 'c'));
    // The registry adds a forgotten terminator when the data is followed by one; here it is not.
    WriteRegistryWide(kCaptureKey, "Unterminated", REG_SZ, L"abcdefX", 12);
    WriteRegistryRaw(kCaptureKey, "Expand", REG_EXPAND_SZ, "x\\y", 4);
    WriteRegistryRaw(kCaptureKey, "Binary", REG_BINARY, "abc", 4);
    WriteRegistryNumber(kCaptureKey, "Number", 42);
    WriteRegistryRaw(kCaptureKey, "Empty", REG_SZ, "", 1);
    WriteRegistryRaw(kCaptureKey, "NoData", REG_SZ, "", 0);
    WriteRegistryRaw(kCaptureKey, "InnerZero", REG_SZ, "ab\0cd", 6);

    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, kCaptureKey));
    std::string value = "unchanged";
    EXPECT_TRUE(key.ReadString("Fits", value));
    EXPECT_EQ(value, std::string(254, 'a'));
    for (const char* missing :
         {"TooLong", "Long300", "Unterminated", "Expand", "Binary", "Number", "NoData", "Nope"}) {
        value = "unchanged";
        EXPECT_FALSE(key.ReadString(missing, value)) << missing;
        EXPECT_EQ(value, "unchanged") << missing;
    }
    EXPECT_TRUE(key.ReadString("Empty", value));
    EXPECT_EQ(value, "");
    EXPECT_TRUE(key.ReadString("InnerZero", value));
    EXPECT_EQ(value, "ab");
}

TEST_F(RegistryKeyValues, NumbersMustBeFourByteDwords) {
    WriteRegistryNumber(kCaptureKey, "Dword", 0x12345678);
    std::uint64_t wide = 7;
    WriteRegistryRaw(kCaptureKey, "Qword", REG_QWORD, &wide, sizeof wide);
    WriteRegistryRaw(kCaptureKey, "Short", REG_DWORD, "\x05\x00", 2);
    WriteRegistryString(kCaptureKey, "Text", "abc"); // four bytes with its terminator

    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_LOCAL_MACHINE, kCaptureKey));
    std::uint32_t value = 99;
    EXPECT_TRUE(key.ReadNumber("Dword", value));
    EXPECT_EQ(value, 0x12345678u);
    for (const char* missing : {"Qword", "Short", "Text", "Nope"}) {
        value = 99;
        EXPECT_FALSE(key.ReadNumber(missing, value)) << missing;
        EXPECT_EQ(value, 99u) << missing;
    }
}

TEST_F(RegistryKeyValues, AFailedStepKeepsTheKeyHeldAndWritesRoundTrip) {
    CRegistryKey key;
    ASSERT_TRUE(key.Create(HKEY_LOCAL_MACHINE, kVersionKey));
    EXPECT_TRUE(key.WriteString("Text", "hello"));
    EXPECT_TRUE(key.WriteNumber("Count", 3));
    HKEY held = key.Get();
    EXPECT_FALSE(key.Open(key, "Missing"));
    EXPECT_EQ(key.Get(), held);
    std::string text;
    std::uint32_t count = 0;
    EXPECT_TRUE(ReadRegistryString(kVersionKey, "Text", text));
    EXPECT_EQ(text, "hello");
    EXPECT_TRUE(ReadRegistryNumber(kVersionKey, "Count", count));
    EXPECT_EQ(count, 3u);
    ASSERT_TRUE(key.Create(key, "Capture"));
    EXPECT_TRUE(RegistryKeyExists(kCaptureKey));
    key.Close();
    EXPECT_FALSE(key.IsOpen());
}

TEST_F(ActivatorLoadSettings, AnEmptyRegistryLeavesTheBuiltInDefaults) {
    CActivatorSettings settings = Load();
    const CHotKey expected[] = {{0x78, 1}, {0x78, 1}, {0x79, 1}, {0x7A, 1}, {0x7B, 1}, {0x91, 0}};
    for (int i = 0; i < kHotKeyCount; ++i)
        EXPECT_EQ(settings.hotKeys[i], expected[i]) << "hotkey " << i;
    EXPECT_EQ(settings.viewMode, 1);
    // Nothing stored: the capture settings shown are the defaults, which OK would store: the folder is
    // the user's own, in their Pictures.
    char pictures[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, pictures), S_OK);
    EXPECT_EQ(settings.defaultDir, std::string(pictures) + "\\Zelto Captures\\");
    EXPECT_EQ(settings.defaultName, "Captur");
    EXPECT_EQ(settings.dir, settings.defaultDir);
    EXPECT_EQ(settings.name, "Captur");
}

TEST_F(ActivatorLoadSettings, StoredValuesAreLoadedAndNormalised) {
    WriteRegistryString(kProductKeyPath, "Current Version", "1.0");
    WriteRegistryNumber(kHotKeyKey + "\\Normal", "Virtual Key Code", 0x7A);
    WriteRegistryNumber(kHotKeyKey + "\\Normal", "Modifiers", 2);
    WriteRegistryNumber(kHotKeyKey + "\\Capture", "Virtual Key Code", 0x12345051); // low 16 bits: 0x5051
    WriteRegistryNumber(kHotKeyKey + "\\Capture", "Modifiers", 0x00010005);
    WriteRegistryNumber(kCaptureKey, "View Mode", 3);
    WriteRegistryString(kCaptureKey, "Dir", "C:\\Shots");
    WriteRegistryString(kCaptureKey, "Name", "Pictures");
    WriteRegistryString(kCaptureKey, "Default Dir", "D:\\Other");
    WriteRegistryString(kCaptureKey, "Default Name", "Def");

    CActivatorSettings settings = Load();
    EXPECT_EQ(settings.hotKeys[kHotKeyNormal], (CHotKey{0x7A, 2}));
    EXPECT_EQ(settings.hotKeys[kHotKeyCapture], (CHotKey{0x5051, 5}));
    EXPECT_EQ(settings.hotKeys[kHotKeyInterlace], (CHotKey{0x78, 1}));
    EXPECT_EQ(settings.viewMode, 3);
    EXPECT_EQ(settings.dir, "C:\\Shots\\");
    EXPECT_EQ(settings.name, "Pictur");
    // The defaults are taken as stored.
    EXPECT_EQ(settings.defaultDir, "D:\\Other");
    EXPECT_EQ(settings.defaultName, "Def");

    WriteRegistryString(kCaptureKey, "Dir", "C:\\Shots\\");
    WriteRegistryString(kCaptureKey, "Name", "abc");
    settings = Load();
    EXPECT_EQ(settings.dir, "C:\\Shots\\");
    EXPECT_EQ(settings.name, "abc___");
}

// What a fresh install stores: the defaults and a format, no "Dir" and no "Name". The Activator shows
// the capture settings in force, those that the hook library and the viewer read.
TEST_F(ActivatorLoadSettings, AMissingDirectoryAndNameAreTheDefaultsForEveryReader) {
    const std::string folder = "C:\\Users\\Public\\Pictures\\Zelto Captures\\";
    WriteRegistryNumber(kCaptureKey, "View Mode", 0);
    WriteRegistryString(kCaptureKey, "Default Dir", folder);
    WriteRegistryString(kCaptureKey, "Default Name", "Captur");
    CActivatorSettings settings = Load();
    EXPECT_EQ(settings.viewMode, 0);
    EXPECT_EQ(settings.dir, folder);
    EXPECT_EQ(settings.name, "Captur");
    CCaptureSettings read;
    const CCaptureSettingsFound found = ReadCaptureSettings(read);
    EXPECT_TRUE(found.Complete());
    EXPECT_EQ(read.viewMode, 0);
    EXPECT_EQ(read.dir, folder);
    EXPECT_EQ(read.name, "Captur");

    // A default directory without its backslash is shown with one, as OK stores it.
    WriteRegistryString(kCaptureKey, "Default Dir", "D:\\Shots");
    EXPECT_EQ(Load().dir, "D:\\Shots\\");

    // Without a format, there is nothing to capture; the Activator shows its own.
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kCaptureKey.c_str(), "View Mode");
    EXPECT_FALSE(ReadCaptureSettings(read).Complete());
    EXPECT_EQ(Load().viewMode, 1);
}

TEST_F(ActivatorLoadSettings, CurrentVersionNamesTheSubkeyToLoadFrom) {
    WriteRegistryString(kProductKeyPath, "Current Version", "2.0");
    WriteRegistryNumber(std::string(kProductKeyPath) + "\\2.0\\HotKey\\Interlace", "Virtual Key Code", 0x74);
    WriteRegistryNumber(kHotKeyKey + "\\Interlace", "Virtual Key Code", 0x75);
    EXPECT_EQ(Load().hotKeys[kHotKeyInterlace].virtualKey, 0x74);

    // A version subkey that does not exist: nothing is loaded.
    WriteRegistryString(kProductKeyPath, "Current Version", "3.0");
    EXPECT_EQ(Load().hotKeys[kHotKeyInterlace].virtualKey, 0x78);

    // A "Current Version" that is not a string: "1.0".
    WriteRegistryNumber(kProductKeyPath, "Current Version", 2);
    EXPECT_EQ(Load().hotKeys[kHotKeyInterlace].virtualKey, 0x75);

    // The capture settings are always those of "1.0", where the dialog stores them and the hook
    // library reads them.
    WriteRegistryString(kProductKeyPath, "Current Version", "2.0");
    WriteRegistryString(std::string(kProductKeyPath) + "\\2.0\\Capture", "Name", "Other_");
    WriteRegistryString(kCaptureKey, "Name", "InForc");
    EXPECT_EQ(Load().name, "InForc");
}

TEST_F(ActivatorLoadSettings, BrokenValuesLeaveTheDefaultsAndAreKept) {
    WriteRegistryString(kHotKeyKey + "\\Interlace", "Virtual Key Code", "F5");
    WriteRegistryRaw(kHotKeyKey + "\\Interlace", "Modifiers", REG_BINARY, "\x02\x00", 2);
    WriteRegistryString(kCaptureKey, "View Mode", "abc");
    WriteRegistryNumber(kCaptureKey, "Dir", 12);
    WriteRegistryString(kCaptureKey, "Name", std::string(300, 'n'));
    WriteRegistryWide(kCaptureKey, "Default Name", REG_SZ, L"unterminatedX", 24);

    CActivatorSettings settings = Load();
    EXPECT_EQ(settings.hotKeys[kHotKeyInterlace], (CHotKey{0x78, 1}));
    EXPECT_EQ(settings.viewMode, 1);
    EXPECT_EQ(settings.dir, BuiltInCaptureDir());
    EXPECT_EQ(settings.name, "Captur");
    EXPECT_EQ(settings.defaultName, "Captur");
    // Loading reads only: what was stored is still there.
    std::string name;
    EXPECT_TRUE(ReadRegistryString(kCaptureKey, "Name", name));
    EXPECT_EQ(name, std::string(300, 'n'));
}
