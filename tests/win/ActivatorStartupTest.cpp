// The Activator program started for real, as a separate process, and watched from this one.

#include "activator/resource.h"
#include "linecode/LineCodePatterns.h"
#include "settings/ActivatorMessages.h"
#include "tests/support/WineTestSupport.h"

#include <commctrl.h>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

const std::string kDirKeyPath = std::string(kProductKeyPath) + "\\1.0\\Dir";
const std::string kUserDirKeyPath = std::string(kUserProductKeyPath) + "\\1.0\\Dir";

class ActivatorProgram : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteProductTree();
        ASSERT_EQ(FindWindowA("#32770", "Zelto Activator"), nullptr)
            << "an Activator from elsewhere is running";
    }
    void TearDown() override {
        EndActivator(activator);
        DeleteProductTree();
    }

    HWND Start() {
        HWND window = StartActivator(activator);
        EXPECT_NE(window, nullptr) << "no complete Activator window";
        return window;
    }

    static unsigned HotKeyOf(HWND window, int controlId) {
        DWORD_PTR word = 0;
        SendMessageTimeoutA(GetDlgItem(window, controlId), HKM_GETHOTKEY, 0, 0, SMTO_BLOCK, 5000, &word);
        return static_cast<unsigned>(word);
    }

    CChildProcess activator;
};

} // namespace

TEST_F(ActivatorProgram, StartsHiddenOnItsDefaultsAndRecordsItsIdentityForTheUserAlone) {
    // A capture folder is made by the first capture that goes there, not when the program starts.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "zelto-not-made\\";
    WriteRegistryString(std::string(kUserProductKeyPath) + "\\1.0\\Capture", "Dir", folder);
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES) << "the capture folder was made";

    std::string value;
    EXPECT_TRUE(ReadRegistryString(kUserProductKeyPath, "Current Version", value));
    EXPECT_EQ(value, "1.0");
    EXPECT_TRUE(ReadRegistryString(kUserDirKeyPath, "Zelto Activator ClassName", value));
    EXPECT_EQ(value, "#32770");
    EXPECT_TRUE(ReadRegistryString(kUserDirKeyPath, "Zelto Activator WindowName", value));
    EXPECT_EQ(value, "Zelto Activator");
    EXPECT_FALSE(RegistryKeyExists(kProductKeyPath)) << "the program wrote the machine's settings";

    // The built-in hotkeys, shown in the disabled hotkey controls (modifiers in the high byte).
    EXPECT_EQ(HotKeyOf(window, IDC_HOTKEY_INTERLACE), 0x0178u);
    EXPECT_EQ(HotKeyOf(window, IDC_HOTKEY_PAGEFLIP), 0x0178u);
    EXPECT_EQ(HotKeyOf(window, IDC_HOTKEY_SYNCDOUBLE), 0x0179u);
    EXPECT_EQ(HotKeyOf(window, IDC_HOTKEY_LINEBLANK), 0x017Au);
    EXPECT_EQ(HotKeyOf(window, IDC_HOTKEY_NORMAL), 0x017Bu);
    EXPECT_EQ(HotKeyOf(window, IDC_HOTKEY_CAPTURE), 0x0091u);
    for (int id : {IDC_HOTKEY_INTERLACE, IDC_HOTKEY_CAPTURE})
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, id)));

    PostMessageA(window, WM_COMMAND, ID_EXIT, 0);
    EXPECT_EQ(activator.Wait(5000), 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(ActivatorProgram, ASecondStartShowsTheFirstWindowAndEnds) {
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    CChildProcess second;
    ASSERT_TRUE(second.Start(PathBesideTest("Zelto.exe")));
    EXPECT_EQ(second.Wait(10000), 0);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
    EXPECT_EQ(FindWindowExA(nullptr, window, "#32770", "Zelto Activator"), nullptr) << "a second window";
    EXPECT_TRUE(activator.IsRunning());

    // OK and Esc hide the window again; the program goes on.
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); }, 5000));
    PostMessageA(window, WM_COMMAND, ID_PROPERTIES, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(window); }, 5000));
    EXPECT_TRUE(activator.IsRunning());
}

TEST_F(ActivatorProgram, LoadsFromTheVersionThatTheMachineNamesAndLeavesItAsItIs) {
    WriteRegistryString(kProductKeyPath, "Current Version", "2.0");
    WriteRegistryNumber(std::string(kProductKeyPath) + "\\2.0\\HotKey\\Normal", "Virtual Key Code", VK_F11);
    WriteRegistryNumber(std::string(kProductKeyPath) + "\\2.0\\HotKey\\Normal", "Modifiers", HOTKEYF_CONTROL);
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(HotKeyOf(window, IDC_HOTKEY_NORMAL), 0x027Au);
    std::string version;
    EXPECT_TRUE(ReadRegistryString(kProductKeyPath, "Current Version", version));
    EXPECT_EQ(version, "2.0");
}

TEST_F(ActivatorProgram, StartsOnItsDefaultsFromABrokenRegistryAndKeepsWhatWasStored) {
    WriteRegistryNumber(kProductKeyPath, "Current Version", 7);
    WriteRegistryString(std::string(kProductKeyPath) + "\\1.0\\HotKey\\Interlace", "Virtual Key Code", "x");
    WriteRegistryString(std::string(kProductKeyPath) + "\\1.0\\Capture", "Dir", std::string(600, 'd'));
    WriteRegistryRaw(kDirKeyPath, "Zelto Activator ClassName", REG_BINARY, "#32770", 7);
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(HotKeyOf(window, IDC_HOTKEY_INTERLACE), 0x0178u);
    std::string dir;
    EXPECT_TRUE(ReadRegistryString(std::string(kProductKeyPath) + "\\1.0\\Capture", "Dir", dir));
    EXPECT_EQ(dir, std::string(600, 'd'));
}

TEST_F(ActivatorProgram, ResultMessagesOfTheHookLibraryShowTheirTexts) {
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    struct Case {
        unsigned message;
        int result;
        const char* text;
    };
    const Case cases[] = {
        {kMsgResultInterlace, 0, "Interlacing "},
        {kMsgResultInterlace, -2, "Interlacing Error: Can't Get DC!"},
        {kMsgResultLineBlank, -4, "Line Blanking Error: BltBit Fail!"},
        {kMsgResultNormal, -3, "Normal Error: Can't Create Bitmap!"},
        {kMsgResultPageFlip, -1, "Page Flipping Error: Can't Get DC!"},
        {kMsgResultSyncDouble, 5, "Sync. Doubling "},
        {kMsgResultCapture, -101, "Capture "},
    };
    for (const Case& c : cases) {
        DWORD_PTR answer = 0;
        ASSERT_TRUE(SendMessageTimeoutA(window, c.message, static_cast<WPARAM>(c.result), 0, SMTO_BLOCK, 5000,
                                        &answer));
        EXPECT_EQ(answer, 1u);
        EXPECT_EQ(ControlText(window, IDC_STATUS), c.text);
    }
}

TEST_F(ActivatorProgram, ShowItSwitchesTheModeOnTheScreen) {
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    HDC screen = GetDC(nullptr);
    int width = GetDeviceCaps(screen, HORZRES);
    ReleaseDC(nullptr, screen);
    auto showsSyncDouble = [&] {
        CPixels band = ReadScreen(0, 0, width, 16);
        for (const CodeLine& line : PatternForCode(kCodeSyncDouble))
            if (band.At(0, line.row) != PixelOf(line.colour) ||
                band.At(width - 2, line.row) != PixelOf(line.colour))
                return false;
        return true;
    };
    PostMessageA(window, WM_COMMAND, IDC_SHOW_SYNCDOUBLE, 0);
    EXPECT_TRUE(WaitUntil(showsSyncDouble, 5000)) << "the Sync Double code never appeared";
    EXPECT_TRUE(WaitUntil([&] { return !showsSyncDouble(); }, 5000)) << "the code stayed";
    EXPECT_EQ(ControlText(window, IDC_STATUS), "Sync. Doubling");

    // The menu's commands do the same.
    PostMessageA(window, WM_COMMAND, ID_MODE_LINEBLANK, 0);
    EXPECT_TRUE(WaitUntil([&] { return ControlText(window, IDC_STATUS) == "Line Blanking"; }, 5000));
}

TEST_F(ActivatorProgram, APostedDestroyEndsIt) {
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_DESTROY, 0, 0);
    EXPECT_EQ(activator.Wait(5000), 0);
    EXPECT_FALSE(IsWindow(window));
}
