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
