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
