#include "settings/HotKeyRules.h"
#include "settings/MonitorRules.h"
#include "settings/SettingsRules.h"

#include <gtest/gtest.h>

TEST(SettingsRules, CaptureNameIsCutOrPaddedToSixCharacters) {
    EXPECT_EQ(FitCaptureName("Pictures"), "Pictur");
    EXPECT_EQ(FitCaptureName("ab"), "ab____");
    EXPECT_EQ(FitCaptureName(""), "______");
    EXPECT_EQ(FitCaptureName("Captur"), "Captur");
    EXPECT_EQ(FitCaptureName("abc"), "abc___");
}

TEST(SettingsRules, CaptureDirectoryEndsInOneBackslash) {
    EXPECT_EQ(WithTrailingBackslash("C:\\Capture"), "C:\\Capture\\");
    EXPECT_EQ(WithTrailingBackslash("C:\\Capture\\"), "C:\\Capture\\");
    EXPECT_EQ(WithTrailingBackslash(""), "\\");
    EXPECT_EQ(WithTrailingBackslash("C:/Capture/"), "C:/Capture/\\");
}

TEST(SettingsRules, NamesThatWindowsOpensAsDevicesAreTold) {
    // Alone or before the first dot (or a colon), in any case, with trailing spaces; COM and LPT with a
    // digit, a superscript 1, 2 or 3 in the Western code pages or UTF-8.
    for (const char* device : {"CON", "nul", "Prn.txt", "aux.", "NUL.__", "NUL.__00.jps", "CON .txt", "nul  ",
                               "COM1._", "com0", "LPT9.jps", "lpt1:", "COM\xB9", "LPT\xB3.x", "COM\xC2\xB2"})
        EXPECT_TRUE(IsReservedDeviceName(device)) << device;
    for (const char* name : {"", "CONSOL", "NUL___", "NUL00", "COM10", "LPT", "COMx", " NUL", "xNUL",
                             "NULL.txt", "COM\xB4", "Captur", "CO.N"})
        EXPECT_FALSE(IsReservedDeviceName(name)) << name;
    // A capture name is never a device's; a folder with a device's name is no folder for captures.
    EXPECT_FALSE(IsCaptureName("NUL."));
    EXPECT_TRUE(IsCaptureName("NUL__"));
    for (const char* dir : {"C:\\NUL\\", "C:\\Shots\\com1.x\\", "\\\\host\\share\\CON\\"})
        EXPECT_EQ(ClassifyCaptureFolder(dir), CaptureFolderKind::kDevice) << dir;
    // The drive, and a share's server and name, are no folder names.
    for (const char* dir : {"C:\\Shots\\", "\\\\nul\\con\\Shots\\"})
        EXPECT_EQ(ClassifyCaptureFolder(dir), CaptureFolderKind::kFolder) << dir;
}

TEST(HotKeyRules, TypingKeysWithoutCtrlOrAltAreTold) {
    struct Case {
        std::uint16_t key;
        std::uint16_t modifiers;
        bool typing;
    };
    // Modifiers: 1 Shift, 2 Ctrl, 4 Alt, 8 extended. Keys: 'E', '7', space, Enter, Tab, Backspace, ';'
    // (VK_OEM_1), '-' (VK_OEM_MINUS), '<' (VK_OEM_102), keypad 5 and '+', F9, Scroll Lock, Print Screen,
    // the arrow down, Insert.
    const Case cases[] = {{'E', 0, true},   {'E', 1, true},   {'E', 2, false},  {'E', 4, false},
                          {'7', 8, true},   {0x20, 0, true},  {0x0D, 1, true},  {0x09, 0, true},
                          {0x08, 0, true},  {0xBA, 0, true},  {0xBD, 1, true},  {0xE2, 0, true},
                          {0x65, 0, true},  {0x6B, 0, true},  {0x78, 1, false}, {0x91, 0, false},
                          {0x2C, 0, false}, {0x28, 0, false}, {0x2D, 1, false}, {0x20, 6, false}};
    for (const Case& c : cases)
        EXPECT_EQ(IsTypingHotKey({c.key, c.modifiers}), c.typing) << std::hex << c.key << " " << c.modifiers;
    EXPECT_TRUE(IsHotKeyOfControl(0xFF, 15));
    EXPECT_FALSE(IsHotKeyOfControl(0x100, 0));
    EXPECT_FALSE(IsHotKeyOfControl('E', 16));
}

// A layout with the second monitor left of the primary, as Windows numbers and places them.
const CMonitorEntry kLayout[] = {
    {"\\\\.\\DISPLAY1", {0, 0, 1024, 768}, true},
    {"\\\\.\\DISPLAY2", {-800, 0, 0, 600}, false},
    {"\\\\.\\DISPLAY3", {1024, 0, 2304, 1024}, false},
};

TEST(MonitorRules, TheChosenMonitorIsFoundByDeviceNameFirstThenByRectangle) {
    struct Case {
        const char* what;
        CMonitorIdentity identity;
        std::optional<std::size_t> expected;
    };
    const Case cases[] = {
        {"device and rectangle", {"\\\\.\\DISPLAY2", CMonitorRect{-800, 0, 0, 600}}, 1},
        {"device in another case", {"\\\\.\\display3", std::nullopt}, 2},
        {"device moved elsewhere", {"\\\\.\\DISPLAY2", CMonitorRect{1024, 0, 2304, 1024}}, 1},
        {"device renamed, same rectangle", {"\\\\.\\DISPLAY7", CMonitorRect{1024, 0, 2304, 1024}}, 2},
        {"rectangle alone", {"", CMonitorRect{0, 0, 1024, 768}}, 0},
        {"gone", {"\\\\.\\DISPLAY7", CMonitorRect{-800, 0, 0, 768}}, std::nullopt},
        {"nothing stored", {"", std::nullopt}, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindMonitor(kLayout, c.identity), c.expected) << c.what;
    EXPECT_EQ(FindMonitor({}, cases[0].identity), std::nullopt);
}

TEST(MonitorRules, ThePrimaryAndTheNamesOfMonitorsInTheList) {
    EXPECT_EQ(PrimaryMonitor(kLayout), 0u);
    // A list without the primary flag: the monitor at the origin.
    const CMonitorEntry unmarked[] = {{"A", {-800, 0, 0, 600}, false}, {"B", {0, 0, 640, 480}, false}};
    EXPECT_EQ(PrimaryMonitor(unmarked), 1u);
    EXPECT_EQ(PrimaryMonitor({}), std::nullopt);

    EXPECT_EQ(MonitorNumber("\\\\.\\DISPLAY12", 1), 12);
    EXPECT_EQ(MonitorNumber("DISPLAY12345678901", 5), 5);

    EXPECT_EQ(MonitorListText(kLayout[0], 1), "1: 1024 x 768 at 0, 0 (primary)");
    EXPECT_EQ(MonitorListText(kLayout[1], 2), "2: 800 x 600 at -800, 0");
}
