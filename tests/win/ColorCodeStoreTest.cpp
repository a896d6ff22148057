// The colour-code groups in the real registry: written to the user's tree and read back, read from the
// machine's tree until the user has stored groups, and read from stored values that are missing, cut
// short, mistyped or too many.

#include "activator/ColorCodeStore.h"
#include "settings/RegistryKey.h"
#include "tests/support/WineTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace testing_support;

namespace {

const std::string kColorCodeKey = std::string(kUserProductKeyPath) + "\\1.0\\Color Code";
const std::string kMachineColorCodeKey = std::string(kProductKeyPath) + "\\1.0\\Color Code";

std::string SlotKey(int slot, const std::string& tree = kColorCodeKey) {
    return tree + "\\" + std::to_string(slot);
}

CodeSet Filled(CodeColour colour) {
    CodeSet codes;
    codes.fill(colour);
    return codes;
}

// Writes one stored group as the editor does.
void WriteGroup(int slot, const std::string& name, const CodeSet& codes,
                const std::string& tree = kColorCodeKey) {
    WriteRegistryString(SlotKey(slot, tree), "Name", name);
    auto bytes = EncodeCodeSet(codes);
    WriteRegistryRaw(SlotKey(slot, tree), "Code", REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
}

class ColorCodeStore : public ::testing::Test {
protected:
    void SetUp() override { DeleteProductTree(); }
    void TearDown() override { DeleteProductTree(); }
};

} // namespace

TEST_F(ColorCodeStore, AnEmptyRegistryGivesTheBuiltInGroupAlone) {
    CColorCodeGroups groups = LoadColorCodeGroups();
    EXPECT_EQ(groups.Count(), 1);
    EXPECT_EQ(groups.Name(0), "Korva");
    EXPECT_EQ(groups.Codes(0), DefaultCodeSet());
    EXPECT_EQ(groups.Active(), 0);
}

TEST_F(ColorCodeStore, GroupsAndTheActiveGroupRoundTripInTheirLayout) {
    CColorCodeGroups groups;
    groups.SetEntry(0, 4, 15, 0x00FF00FF);
    groups.Add("Blue", false, 0);
    groups.SetCodes(1, Filled(0x00FF0000));
    groups.Add("", true, 0);
    groups.Add(std::string(300, 'n'), false, 0);
    groups.SetActive(2);
    ASSERT_TRUE(SaveColorCodeGroups(groups));

    std::uint32_t number = 0;
    std::uint32_t active = 0;
    std::string name;
    EXPECT_TRUE(ReadRegistryNumber(kColorCodeKey, "Number", number));
    EXPECT_EQ(number, 4u);
    EXPECT_TRUE(ReadRegistryNumber(kColorCodeKey, "Active Group", active));
    EXPECT_EQ(active, 2u);
    EXPECT_TRUE(ReadRegistryString(SlotKey(1), "Name", name));
    EXPECT_EQ(name, "Blue");
    CRegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, SlotKey(1).substr(5)));
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(key.ReadBinary("Code", bytes));
    ASSERT_EQ(bytes.size(), 320u);
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(bytes[2], 0xFF);

    CColorCodeGroups loaded = LoadColorCodeGroups();
    ASSERT_EQ(loaded.Count(), 4);
    EXPECT_EQ(loaded.Active(), 2);
    EXPECT_EQ(loaded.Name(0), "Korva");
    EXPECT_EQ(loaded.Name(1), "Blue");
    EXPECT_EQ(loaded.Name(2), "");
    EXPECT_EQ(loaded.Name(3), std::string(254, 'n')) << "a name is stored as far as it can be read back";
    for (int g = 0; g < 4; ++g)
        EXPECT_EQ(loaded.Codes(g), groups.Codes(g)) << g;
}

TEST_F(ColorCodeStore, TheMachinesGroupsAreTheStartAndSavingFewerRemovesTheUsersSlotsNoLongerInUse) {
    // Until the user stores groups, the machine's are theirs to start from.
    WriteRegistryNumber(kMachineColorCodeKey, "Number", 5);
    for (int slot = 1; slot < 5; ++slot)
        WriteGroup(slot, std::string(1, static_cast<char>('A' + slot - 1)), Filled(0x22),
                   kMachineColorCodeKey);
    CColorCodeGroups groups = LoadColorCodeGroups();
    ASSERT_EQ(groups.Count(), 5);
    EXPECT_EQ(groups.Name(4), "D");
    ASSERT_TRUE(SaveColorCodeGroups(groups));
    EXPECT_TRUE(RegistryKeyExists(SlotKey(4)));
    groups.Delete(2);
    groups.Delete(3);
    ASSERT_TRUE(SaveColorCodeGroups(groups));
    EXPECT_TRUE(RegistryKeyExists(SlotKey(2)));
    EXPECT_FALSE(RegistryKeyExists(SlotKey(3)));
    EXPECT_FALSE(RegistryKeyExists(SlotKey(4)));
    // The user's groups alone: the deleted ones do not come back from the machine's, which stay.
    CColorCodeGroups loaded = LoadColorCodeGroups();
    ASSERT_EQ(loaded.Count(), 3);
    EXPECT_EQ(loaded.Name(2), "C");
    EXPECT_TRUE(RegistryKeyExists(SlotKey(4, kMachineColorCodeKey)));
}

TEST_F(ColorCodeStore, MissingAndMistypedGroupsAreLeftOutAndTheActiveGroupFollows) {
    WriteRegistryNumber(kColorCodeKey, "Number", 5);
    WriteRegistryNumber(kColorCodeKey, "Active Group", 4);
    WriteGroup(1, "One", Filled(0x11));
    // Slot 2 has no subkey; slot 3's name is not a string.
    WriteRegistryNumber(SlotKey(3), "Name", 3);
    WriteRegistryRaw(SlotKey(3), "Code", REG_BINARY, "\1\2\3\4", 4);
    WriteGroup(4, "Four", Filled(0x44));
    CColorCodeGroups groups = LoadColorCodeGroups();
    ASSERT_EQ(groups.Count(), 3);
    EXPECT_EQ(groups.Name(1), "One");
    EXPECT_EQ(groups.Name(2), "Four");
    EXPECT_EQ(groups.Codes(2), Filled(0x44));
    EXPECT_EQ(groups.Active(), 2) << "the active group keeps pointing at the same stored group";

    // An active group that was left out, or beyond the groups, falls back to the built-in group.
    WriteRegistryNumber(kColorCodeKey, "Active Group", 3);
    EXPECT_EQ(LoadColorCodeGroups().Active(), 0);
    WriteRegistryNumber(kColorCodeKey, "Active Group", 0xFFFFFFFF);
    EXPECT_EQ(LoadColorCodeGroups().Active(), 0);
    WriteRegistryString(kColorCodeKey, "Active Group", "4");
    EXPECT_EQ(LoadColorCodeGroups().Active(), 0);
}

TEST_F(ColorCodeStore, ShortOrMistypedCodesKeepWhatCanBeRead) {
    WriteRegistryNumber(kColorCodeKey, "Number", 3);
    // The built-in group's code cut short after two colours: the rest stay at the defaults.
    const std::uint8_t two[] = {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x12};
    WriteRegistryRaw(SlotKey(0), "Name", REG_SZ, "Other", 6);
    WriteRegistryRaw(SlotKey(0), "Code", REG_BINARY, two, sizeof two);
    WriteRegistryString(SlotKey(1), "Name", "Text code");
    WriteRegistryString(SlotKey(1), "Code", "not colours");
    WriteRegistryString(SlotKey(2), "Name", "No code");

    CColorCodeGroups groups = LoadColorCodeGroups();
    ASSERT_EQ(groups.Count(), 3);
    EXPECT_EQ(groups.Name(0), "Korva") << "the built-in group keeps its name";
    EXPECT_EQ(groups.Entry(0, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(groups.Entry(0, 0, 1), 0xFF0000u);
    for (int i = 2; i < kCodeSetSize; ++i)
        EXPECT_EQ(groups.Codes(0)[i], DefaultCodeSet()[i]) << i;
    EXPECT_EQ(groups.Codes(1), CodeSet{});
    EXPECT_EQ(groups.Codes(2), CodeSet{});
}

TEST_F(ColorCodeStore, TheGroupCountBoundsWhatIsReadAndNoMoreThanFiveAreRead) {
    for (int slot = 1; slot < 8; ++slot)
        WriteGroup(slot, std::string(1, static_cast<char>('0' + slot)),
                   Filled(static_cast<CodeColour>(slot)));

    WriteRegistryNumber(kColorCodeKey, "Number", 3);
    EXPECT_EQ(LoadColorCodeGroups().Count(), 3);
    WriteRegistryNumber(kColorCodeKey, "Number", 0);
    EXPECT_EQ(LoadColorCodeGroups().Count(), 1);
    WriteRegistryNumber(kColorCodeKey, "Number", 9);
    CColorCodeGroups groups = LoadColorCodeGroups();
    ASSERT_EQ(groups.Count(), 5);
    EXPECT_EQ(groups.Name(4), "4");
    // Without a readable count every slot up to the fifth is tried.
    WriteRegistryString(kColorCodeKey, "Number", "2");
    EXPECT_EQ(LoadColorCodeGroups().Count(), 5);
}
