// The main window's "Settings..." and "Test..." buttons in the Activator started for real.

#include "activator/resource.h"
#include "tests/support/WineTestSupport.h"

#include <shlobj.h>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

const std::string kCaptureKey = std::string(kUserProductKeyPath) + "\\1.0\\Capture";

class ActivatorDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteProductTree();
        main = StartActivator(activator);
        ASSERT_NE(main, nullptr);
    }
    void TearDown() override {
        EndActivator(activator);
        DeleteProductTree();
    }

    HWND main = nullptr;
    CChildProcess activator;
};

} // namespace

TEST_F(ActivatorDialogs, SettingsRunsTheCaptureSettingsAndKeepsWhatOkStored) {
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_CAPTURE_SETTINGS, BN_CLICKED), 0);
    HWND dialog = WaitForWindow("#32770", "Capture Settings", 5000);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(main, IDC_STATUS), "Set Capture");
    // The main window's capture settings are shown: on an empty registry, the built-in defaults, the
    // user's own folder among them.
    char pictures[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, pictures), S_OK);
    const std::string defaultDir = std::string(pictures) + "\\Zelto Captures\\";
    EXPECT_TRUE(WaitUntil([&] { return ControlText(dialog, IDC_CAPTURE_FORMAT) == "Sync. Doubling"; }, 5000));
    EXPECT_EQ(ControlText(dialog, IDC_CAPTURE_DIR), defaultDir);
    EXPECT_EQ(ControlText(dialog, IDC_CAPTURE_NAME), "Captur");
    SendMessageA(GetDlgItem(dialog, IDC_CAPTURE_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Stereo"));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));
    std::string name;
    EXPECT_TRUE(ReadRegistryString(kCaptureKey, "Name", name));
    EXPECT_EQ(name, "Stereo");
    std::string dir;
    EXPECT_TRUE(ReadRegistryString(kCaptureKey, "Dir", dir));
    EXPECT_EQ(dir, defaultDir);

    // A second run shows what the first one took back.
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_CAPTURE_SETTINGS, BN_CLICKED), 0);
    dialog = WaitForWindow("#32770", "Capture Settings", 5000);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return ControlText(dialog, IDC_CAPTURE_NAME) == "Stereo"; }, 5000));
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));
}

TEST_F(ActivatorDialogs, TestRunsTheTestDialog) {
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_TEST, BN_CLICKED), 0);
    HWND dialog = WaitForWindow("#32770", "Testing", 5000);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(WaitUntil(
        [&] { return ControlText(dialog, IDC_STATUS) == "Please load testing images first!"; }, 5000));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_TEST_DO)));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 5000));
    EXPECT_TRUE(RegistryKeyExists(std::string(kUserProductKeyPath) + "\\1.0\\Dir"));
    EXPECT_TRUE(activator.IsRunning());
}
