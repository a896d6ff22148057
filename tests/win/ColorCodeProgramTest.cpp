// The ColorCode editor opened from the running Activator's main window, driven from this process: the
// groups it stores on OK and reads again when it is opened the next time.

#include "activator/ColorCodeGroups.h"
#include "activator/resource.h"
#include "framework/Handles.h"
#include "tests/support/WineTestSupport.h"
#include "tests/win/KeyHookSection.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

const std::string kColorCodeKey = std::string(kUserProductKeyPath) + "\\1.0\\Color Code";

class ColorCodeFromTheMainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteProductTree();
        ASSERT_EQ(FindWindowA("#32770", "Zelto Activator"), nullptr)
            << "an Activator from elsewhere is running";
    }
    void TearDown() override {
        if (HWND editor = FindWindowA("#32770", "ColorCode Settings"))
            PostMessageA(editor, WM_COMMAND, IDCANCEL, 0);
        EndActivator(activator);
        DeleteProductTree();
    }

    // Starts Zelto.exe and shows its main window.
    void Start() {
        main = StartActivator(activator);
        ASSERT_NE(main, nullptr);
        PostMessageA(main, WM_COMMAND, ID_PROPERTIES, 0);
        ASSERT_TRUE(WaitUntil([this] { return IsWindowVisible(main) != FALSE; }, 5000));
    }

    // Presses "ColorCode Settings..." and waits for the editor.
    HWND OpenEditor() {
        HWND button = GetDlgItem(main, IDC_COLORCODE_SETTINGS);
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_COLORCODE_SETTINGS, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        HWND editor = WaitForWindow("#32770", "ColorCode Settings", 5000);
        EXPECT_NE(editor, nullptr);
        EXPECT_TRUE(WaitUntil([editor] { return IsWindowVisible(editor) != FALSE; }, 5000));
        return editor;
    }
    // Ends the editor with `command` and waits until the main window's handler has returned.
    void Close(HWND editor, WPARAM command) {
        PostMessageA(editor, WM_COMMAND, command, 0);
        EXPECT_TRUE(WaitUntil([editor] { return IsWindow(editor) == FALSE; }, 5000));
        // The handler stores the groups after the window has gone; the next message waits for it.
        Send(main, WM_NULL);
    }

    static LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window, message, wParam, lParam, SMTO_BLOCK, 5000, &result);
        return static_cast<LRESULT>(result);
    }
    static int Selection(HWND editor, int comboId) {
        return static_cast<int>(Send(GetDlgItem(editor, comboId), CB_GETCURSEL));
    }
    static int ItemCount(HWND editor, int comboId) {
        return static_cast<int>(Send(GetDlgItem(editor, comboId), CB_GETCOUNT));
    }
    // Across processes Wine answers the ANSI CB_GETLBTEXT with wide characters; the wide call reads it whole.
    static std::string Item(HWND editor, int comboId, int index) {
        wchar_t text[256] = {};
        DWORD_PTR result = 0;
        SendMessageTimeoutW(GetDlgItem(editor, comboId), CB_GETLBTEXT, static_cast<WPARAM>(index),
                            reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000, &result);
        char narrow[256] = {};
        WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
        return narrow;
    }
    static void Select(HWND editor, int comboId, int index) {
        HWND combo = GetDlgItem(editor, comboId);
        Send(combo, CB_SETCURSEL, static_cast<WPARAM>(index));
        PostMessageA(editor, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    }
    // A left-button press in the middle of the editor's placeholder control `id`.
    static void PressOn(HWND editor, int id) {
        RECT rect{};
        GetWindowRect(GetDlgItem(editor, id), &rect);
        POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ScreenToClient(editor, &centre);
        PostMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(centre.x, centre.y));
        PostMessageA(editor, WM_LBUTTONUP, 0, MAKELPARAM(centre.x, centre.y));
    }

    CChildProcess activator;
    HWND main = nullptr;
};

} // namespace

TEST_F(ColorCodeFromTheMainWindow, TheButtonOpensTheEditorModallyAndCancelStoresNothing) {
    // Stored groups that make no sense: the editor still opens, on the built-in group.
    WriteRegistryRaw(kColorCodeKey, "Number", REG_BINARY, "\xff\xff\xff\xff\xff", 5);
    WriteRegistryString(kColorCodeKey + "\\1", "Code", "bad");
    Start();
    HWND button = GetDlgItem(main, IDC_COLORCODE_SETTINGS);
    EXPECT_TRUE(GetWindowLongPtrA(button, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(ControlText(main, IDC_COLORCODE_SETTINGS), "ColorCode Settings...");

    HWND editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(GetWindow(editor, GW_OWNER), main);
    EXPECT_FALSE(IsWindowEnabled(main)) << "the editor is modal";
    EXPECT_EQ(ItemCount(editor, IDC_CC_GROUP), 1);
    EXPECT_EQ(Item(editor, IDC_CC_GROUP, 0), "Korva");
    PressOn(editor, IDC_CC_SWATCH_FIRST + 7);
    Close(editor, IDCANCEL);
    EXPECT_TRUE(IsWindowEnabled(main));

    std::uint32_t number = 0;
    EXPECT_FALSE(ReadRegistryNumber(kColorCodeKey, "Number", number)) << "Cancel wrote the groups";
    EXPECT_FALSE(RegistryKeyExists(kColorCodeKey + "\\0"));
}

TEST_F(ColorCodeFromTheMainWindow, OkStoresTheGroupsAndTheNextOpeningShowsThem) {
    WriteRegistryNumber(kColorCodeKey, "Number", 3);
    WriteRegistryNumber(kColorCodeKey, "Active Group", 2);
    const CodeSet black{};
    const auto bytes = EncodeCodeSet(black);
    for (int slot : {1, 2}) {
        const std::string key = kColorCodeKey + "\\" + std::to_string(slot);
        WriteRegistryString(key, "Name", slot == 1 ? "First" : "Second");
        WriteRegistryRaw(key, "Code", REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
    }
    Start();
    HWND editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(ItemCount(editor, IDC_CC_GROUP), 3);
    EXPECT_EQ(Item(editor, IDC_CC_ACTIVE_GROUP, 1), "First");
    EXPECT_EQ(Item(editor, IDC_CC_GROUP, 2), "Second");
    EXPECT_EQ(Selection(editor, IDC_CC_ACTIVE_GROUP), 2);
    EXPECT_EQ(Selection(editor, IDC_CC_GROUP), 2);

    // White on line 0 of "Second" in Interlace; "First" becomes the active group.
    PressOn(editor, IDC_CC_SWATCH_FIRST + 7);
    Select(editor, IDC_CC_ACTIVE_GROUP, 1);
    Close(editor, IDOK);

    std::uint32_t active = 0;
    EXPECT_TRUE(ReadRegistryNumber(kColorCodeKey, "Active Group", active));
    EXPECT_EQ(active, 1u);
    std::string name;
    EXPECT_TRUE(ReadRegistryString(kColorCodeKey + "\\0", "Name", name));
    EXPECT_EQ(name, "Korva");

    editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(ItemCount(editor, IDC_CC_GROUP), 3);
    EXPECT_EQ(Selection(editor, IDC_CC_ACTIVE_GROUP), 1);
    EXPECT_EQ(Selection(editor, IDC_CC_GROUP), 1) << "the editor opens on the active group";
    // What was read is what the next OK stores again.
    Select(editor, IDC_CC_GROUP, 2);
    Close(editor, IDOK);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (kColorCodeKey + "\\2").substr(5).c_str(), 0, KEY_READ, &key),
              ERROR_SUCCESS);
    std::uint8_t stored[kStoredCodeSetBytes] = {};
    DWORD size = sizeof stored;
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Code", nullptr, &type, stored, &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(size, kStoredCodeSetBytes);
    CodeSet codes{};
    DecodeCodeSet(stored, codes);
    EXPECT_EQ(codes[CodeSetIndex(0, 0)], 0xFFFFFFu);
    EXPECT_EQ(codes[CodeSetIndex(0, 1)], 0u);
    EXPECT_EQ(codes[CodeSetIndex(1, 0)], 0u);
}

TEST_F(ColorCodeFromTheMainWindow, TheHookLibraryFollowsTheActiveGroupFromStartUpAndOnOk) {
    // The library loaded here says where the Activator's copy keeps its tables.
    CLibrary library(LoadLibraryA(PathBesideTest("ZeltoKey.dll").c_str()));
    ASSERT_TRUE(library);

    // Stored: an all-black group 1, active.
    WriteRegistryNumber(kColorCodeKey, "Number", 2);
    WriteRegistryNumber(kColorCodeKey, "Active Group", 1);
    WriteRegistryString(kColorCodeKey + "\\1", "Name", "Dark");
    const auto black = EncodeCodeSet(CodeSet{});
    WriteRegistryRaw(kColorCodeKey + "\\1", "Code", REG_BINARY, black.data(),
                     static_cast<DWORD>(black.size()));
    Start();
    CKeyHookShared state{};
    auto tablesEqual = [&](const CodeSet& codes) {
        if (!ReadKeyHookState(activator.Process(), library.get(), state))
            return false;
        for (int mode = 0; mode < kColorCodeModeCount; ++mode)
            for (int line = 0; line < kColorCodeLineCount; ++line)
                if (state.colorCodes[mode][line] != codes[CodeSetIndex(mode, line)])
                    return false;
        return true;
    };
    EXPECT_TRUE(tablesEqual(CodeSet{})) << "start-up did not pass the stored active group";

    // The built-in group made active: its code set, the modes' line codes, goes to the library.
    HWND editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    Select(editor, IDC_CC_ACTIVE_GROUP, 0);
    Close(editor, IDOK);
    EXPECT_TRUE(tablesEqual(DefaultCodeSet()));
    EXPECT_EQ(state.colorCodes[0][14], 0x000000FFu); // Interlace row 14 is red
}
