#include "activator/ModeTexts.h"

#include <gtest/gtest.h>

#include <string>

TEST(ModeTexts, StatusWordsOfTheFiveModes) {
    EXPECT_STREQ(StatusWordForCode(9), "Interlacing");
    EXPECT_STREQ(StatusWordForCode(7), "Page Flipping");
    EXPECT_STREQ(StatusWordForCode(6), "Sync. Doubling");
    EXPECT_STREQ(StatusWordForCode(8), "Line Blanking");
    EXPECT_STREQ(StatusWordForCode(-2), "Normal");
    EXPECT_STREQ(StatusWordForCode(2), "");
}

TEST(ModeTexts, ResultMessagesCarryTheirPrefixWithATrailingBlank) {
    EXPECT_STREQ(ResultPrefixForMessage(1026), "Normal ");
    EXPECT_STREQ(ResultPrefixForMessage(1027), "Interlacing ");
    EXPECT_STREQ(ResultPrefixForMessage(1028), "Page Flipping ");
    EXPECT_STREQ(ResultPrefixForMessage(1029), "Sync. Doubling ");
    EXPECT_STREQ(ResultPrefixForMessage(1030), "Line Blanking ");
    EXPECT_STREQ(ResultPrefixForMessage(1031), "Capture ");
    EXPECT_EQ(ResultPrefixForMessage(1025), nullptr);
    EXPECT_EQ(ResultPrefixForMessage(1032), nullptr);
}

TEST(ModeTexts, ResultCodesTurnIntoTheirTexts) {
    EXPECT_STREQ(ResultTextForCode(-4), "Error: BltBit Fail!");
    EXPECT_STREQ(ResultTextForCode(-3), "Error: Can't Create Bitmap!");
    EXPECT_STREQ(ResultTextForCode(-2), "Error: Can't Get DC!");
    EXPECT_STREQ(ResultTextForCode(-1), "Error: Can't Get DC!");
    for (int code : {0, 5, -5, -101})
        EXPECT_STREQ(ResultTextForCode(code), "") << code;
    EXPECT_EQ(std::string(ResultPrefixForMessage(1027)) + ResultTextForCode(-2),
              "Interlacing Error: Can't Get DC!");
}

TEST(ModeTexts, TheCaptureNoticeNamesTheFileOrSaysWhyNoneWasWritten) {
    const std::string file = "C:\\Pictures\\Zelto_07.jps";
    CCaptureNotice notice = CaptureNoticeFor(0, file, true);
    EXPECT_EQ(notice.title, "Screen captured");
    EXPECT_EQ(notice.text, file);
    EXPECT_FALSE(notice.failed);

    // Reported as taken, yet the encoder left the reserved file empty.
    notice = CaptureNoticeFor(0, file, false);
    EXPECT_EQ(notice.title, "Screen not captured");
    EXPECT_EQ(notice.text, "The picture could not be written to " + file);
    EXPECT_TRUE(notice.failed);

    notice = CaptureNoticeFor(-102, file, false);
    EXPECT_EQ(notice.text, "The picture could not be written to " + file);
    EXPECT_TRUE(notice.failed);
    EXPECT_STREQ(ResultTextForCode(-102), "Error: Can't Write File!");
    notice = CaptureNoticeFor(-101, "", false);
    EXPECT_EQ(notice.text, "The capture settings give no free file name.");
    EXPECT_TRUE(notice.failed);
    notice = CaptureNoticeFor(-4, file, false);
    EXPECT_EQ(notice.title, "Screen not captured");
    EXPECT_EQ(notice.text, "Error: BltBit Fail!");
    EXPECT_EQ(CaptureNoticeFor(-2, file, false).text, "Error: Can't Get DC!");
    EXPECT_EQ(CaptureNoticeFor(-77, file, false).text, "The screen could not be copied.");

    // Success without a file: nothing to tell.
    EXPECT_TRUE(CaptureNoticeFor(0, "", false).title.empty());
}
