#include "activator/ColorCodeGroups.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Groups "Korva", "A", "B", ... with group g's entries all g * 0x10 + 1 (group 0 keeps the defaults).
CColorCodeGroups MakeGroups(int count) {
    CColorCodeGroups groups;
    for (int g = 1; g < count; ++g) {
        CodeSet codes;
        codes.fill(static_cast<CodeColour>(g * 0x10 + 1));
        EXPECT_EQ(groups.Append(std::string(1, static_cast<char>('A' + g - 1)), codes), g);
    }
    return groups;
}

std::vector<std::string> Names(const CColorCodeGroups& groups) {
    std::vector<std::string> names;
    for (int g = 0; g < groups.Count(); ++g)
        names.push_back(groups.Name(g));
    return names;
}

} // namespace

TEST(ColorCodeGroups, StartsWithTheBuiltInGroupOnTheModesLineCodes) {
    CColorCodeGroups groups;
    EXPECT_EQ(groups.Count(), 1);
    EXPECT_EQ(groups.Active(), 0);
    EXPECT_EQ(groups.Name(0), "Korva");
    EXPECT_EQ(groups.Codes(0), DefaultCodeSet());
    // The default set holds each mode's single-height code, mode-major: row 14 tells the modes apart.
    const CodeColour row14[] = {kCodeRed, kCodeRed, kCodeGreen, kCodeYellow, kCodeBlack};
    for (int mode = 0; mode < kColorCodeModeCount; ++mode) {
        EXPECT_EQ(DefaultCodeSet()[CodeSetIndex(mode, 0)], kCodeRed) << mode;
        EXPECT_EQ(DefaultCodeSet()[CodeSetIndex(mode, 1)], kCodeGreen) << mode;
        EXPECT_EQ(DefaultCodeSet()[CodeSetIndex(mode, 10)], kCodeYellow) << mode;
        EXPECT_EQ(DefaultCodeSet()[CodeSetIndex(mode, 14)], row14[mode]) << mode;
        EXPECT_EQ(DefaultCodeSet()[CodeSetIndex(mode, 15)], kCodeGreen) << mode;
    }
}

TEST(ColorCodeGroups, AddGivesBlackOrACopyAndStopsAtFive) {
    CColorCodeGroups groups;
    groups.SetEntry(0, 2, 7, 0x00ABCDEF);
    EXPECT_EQ(groups.Add("Black", false, 0), 1);
    EXPECT_EQ(groups.Codes(1), CodeSet{});
    EXPECT_EQ(groups.Add("Copy", true, 0), 2);
    EXPECT_EQ(groups.Codes(2), groups.Codes(0));
    EXPECT_EQ(groups.Entry(2, 2, 7), 0x00ABCDEFu);
    // A copy is independent of its source.
    groups.SetEntry(2, 0, 0, 0x00FFFFFF);
    EXPECT_EQ(groups.Entry(0, 0, 0), kCodeRed);
    // A source that is not in use has nothing to copy: black.
    EXPECT_EQ(groups.Add("", true, 4), 3);
    EXPECT_EQ(groups.Codes(3), CodeSet{});
    EXPECT_EQ(groups.Add("Korva", true, -1), 4);
    EXPECT_EQ(groups.Codes(4), CodeSet{});
    EXPECT_FALSE(groups.CanAdd());
    EXPECT_EQ(groups.Add("Sixth", true, 0), -1);
    EXPECT_EQ(groups.Append("Sixth", CodeSet{}), -1);
    EXPECT_EQ(groups.Count(), 5);
    EXPECT_EQ(Names(groups), (std::vector<std::string>{"Korva", "Black", "Copy", "", "Korva"}));
    EXPECT_EQ(groups.Active(), 0);
}

TEST(ColorCodeGroups, AddAndDeleteAreEnabledByTheGroupCount) {
    CColorCodeGroups groups;
    EXPECT_TRUE(groups.CanAdd());
    EXPECT_FALSE(groups.CanDelete());
    for (int count = 2; count <= 5; ++count) {
        groups.Add("x", false, 0);
        EXPECT_TRUE(groups.CanDelete()) << count;
        EXPECT_EQ(groups.CanAdd(), count < 5) << count;
    }
    groups.Delete(4);
    EXPECT_TRUE(groups.CanAdd());
    while (groups.Count() > 1)
        groups.Delete(groups.Count() - 1);
    EXPECT_FALSE(groups.CanDelete());
}

TEST(ColorCodeGroups, DeletingAMiddleGroupMovesTheRestDownAndItsSuccessorBecomesCurrent) {
    CColorCodeGroups groups = MakeGroups(5); // Korva A B C D
    ASSERT_TRUE(groups.SetActive(4));
    EXPECT_EQ(groups.Delete(2), 2);
    EXPECT_EQ(Names(groups), (std::vector<std::string>{"Korva", "A", "C", "D"}));
    EXPECT_EQ(groups.Entry(2, 4, 15), 0x31u);
    EXPECT_EQ(groups.Entry(3, 0, 0), 0x41u);
    EXPECT_EQ(groups.Active(), 3) << "the active group D moved down with its slot";

    // Deleting the active group leaves the index in place: it now names the successor.
    ASSERT_TRUE(groups.SetActive(1));
    EXPECT_EQ(groups.Delete(1), 1);
    EXPECT_EQ(groups.Active(), 1);
    EXPECT_EQ(groups.Name(1), "C");

    // An active group before the deleted one stays.
    groups = MakeGroups(4);
    groups.SetActive(1);
    EXPECT_EQ(groups.Delete(2), 2);
    EXPECT_EQ(groups.Active(), 1);
}

TEST(ColorCodeGroups, DeletingTheLastGroupMakesItsPredecessorCurrentAndActive) {
    CColorCodeGroups groups = MakeGroups(3); // Korva A B
    ASSERT_TRUE(groups.SetActive(2));
    EXPECT_EQ(groups.Delete(2), 1);
    EXPECT_EQ(groups.Count(), 2);
    EXPECT_EQ(groups.Active(), 1);
    EXPECT_EQ(groups.Delete(1), 0);
    EXPECT_EQ(groups.Count(), 1);
    EXPECT_EQ(groups.Active(), 0);
    // A slot freed by a delete holds nothing of the group that left it.
    EXPECT_EQ(groups.Add("new", true, 2), 1);
    EXPECT_EQ(groups.Codes(1), CodeSet{});
}

TEST(ColorCodeGroups, TheBuiltInGroupCannotBeDeletedOrRenamed) {
    CColorCodeGroups groups = MakeGroups(3);
    groups.SetActive(2);
    EXPECT_EQ(groups.Delete(0), -1);
    EXPECT_FALSE(groups.Rename(0, "Other"));
    EXPECT_EQ(Names(groups), (std::vector<std::string>{"Korva", "A", "B"}));
    EXPECT_EQ(groups.Active(), 2);
    // Nor can groups that are not in use.
    EXPECT_EQ(groups.Delete(3), -1);
    EXPECT_EQ(groups.Delete(-1), -1);
    EXPECT_FALSE(groups.Rename(3, "x"));
    EXPECT_FALSE(groups.SetActive(3));
    EXPECT_FALSE(groups.SetActive(-1));
    EXPECT_EQ(groups.Count(), 3);
    EXPECT_EQ(groups.Active(), 2);
}

TEST(ColorCodeGroups, RenameAcceptsAnyNameIncludingEmptyAndDuplicates) {
    CColorCodeGroups groups = MakeGroups(3);
    EXPECT_TRUE(groups.Rename(2, ""));
    EXPECT_TRUE(groups.Rename(1, "Korva"));
    EXPECT_EQ(Names(groups), (std::vector<std::string>{"Korva", "Korva", ""}));
    EXPECT_EQ(groups.Entry(1, 0, 0), 0x11u) << "a rename keeps the code set";
}

TEST(ColorCodeGroups, MatchingSwatchIsTheFirstEqualColourOrZero) {
    const CodeColour expected[kSwatchCount] = {0x0000FF, 0x00FF00, 0xFF0000, 0x000000,
                                               0xFFFF00, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (int s = 0; s < kSwatchCount; ++s)
        EXPECT_EQ(MatchingSwatch(expected[s]), s);
    EXPECT_EQ(MatchingSwatch(0x123456), 0);
    EXPECT_EQ(MatchingSwatch(0x01000000), 0) << "a palette flag is not black";
    // Every colour of the default set has its own swatch, so its frame never falls back to R.
    for (CodeColour colour : DefaultCodeSet())
        EXPECT_EQ(kSwatchColours[MatchingSwatch(colour)], colour);
}

TEST(ColorCodeGroups, CodeSetsRoundTripThroughTheirStoredBytes) {
    CodeSet codes;
    for (int i = 0; i < kCodeSetSize; ++i)
        codes[i] = static_cast<CodeColour>(0x010203 * i) & 0xFFFFFF;
    auto bytes = EncodeCodeSet(codes);
    EXPECT_EQ(bytes[4], 0x03);
    EXPECT_EQ(bytes[5], 0x02);
    EXPECT_EQ(bytes[6], 0x01);
    EXPECT_EQ(bytes[7], 0x00);
    CodeSet decoded{};
    EXPECT_EQ(DecodeCodeSet(bytes, decoded), kCodeSetSize);
    EXPECT_EQ(decoded, codes);
}

TEST(ColorCodeGroups, ShortLongAndOddStoredBytesDecodeWhatTheyHold) {
    CodeSet codes = DefaultCodeSet();
    // Nine bytes: two whole values, the ninth byte ignored; the rest keep their colours.
    const std::uint8_t shortBytes[] = {0x11, 0x22, 0x33, 0x44, 0xFF, 0xFF, 0xFF, 0x00, 0x99};
    EXPECT_EQ(DecodeCodeSet(shortBytes, codes), 2);
    EXPECT_EQ(codes[0], 0x00332211u) << "the top byte is not a colour";
    EXPECT_EQ(codes[1], 0x00FFFFFFu);
    EXPECT_EQ(codes[2], DefaultCodeSet()[2]);
    EXPECT_EQ(DecodeCodeSet({}, codes), 0);

    std::vector<std::uint8_t> longBytes(kStoredCodeSetBytes + 40, 0x7F);
    EXPECT_EQ(DecodeCodeSet(longBytes, codes), kCodeSetSize);
    EXPECT_EQ(codes[kCodeSetSize - 1], 0x007F7F7Fu);
}
