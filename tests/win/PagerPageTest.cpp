// The Activator page driven for real in a property sheet built from the pages that the extension
// hands over: what it shows (the user's hotkeys over the machine's), what Apply and Cancel store (for
// the user alone), what it tells the Activator, and how it starts the Activator, on an empty registry
// and on a registry that names other programs.

#include "tests/support/WineTestSupport.h"
#include "tests/win/PagerTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testing_support;

namespace {

// The page's controls.
constexpr int kInterlace = 205, kPageFlip = 201, kSyncDouble = 202, kLineBlank = 204, kNormal = 203,
              kCapture = 206, kLaunch = 2000;
constexpr UINT kReload = WM_USER + 1;
// The hotkeys in force with none stored, as the hotkey controls show them: Shift+F9 (Interlace and
// Page Flip), Shift+F10 to Shift+F12, Scroll Lock.
constexpr unsigned kBuiltIn[] = {0x0178, 0x0178, 0x0179, 0x017A, 0x017B, 0x0091};
constexpr int kControls[] = {kInterlace, kPageFlip, kSyncDouble, kLineBlank, kNormal, kCapture};

const std::string kVersionPath = std::string(kProductKeyPath) + "\\1.0";
const std::string kHotKeyPath = kVersionPath + "\\HotKey\\";
const std::string kDirPath = kVersionPath + "\\Dir";
const std::string kUserHotKeyPath = std::string(kUserProductKeyPath) + "\\1.0\\HotKey\\";

class PagerPage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(CPagerLibrary::Get().module, nullptr) << "ZeltoPager.dll did not load";
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        DeleteProductTree();
        ASSERT_EQ(FindWindowA("#32770", "Zelto Activator"), nullptr)
            << "an Activator from elsewhere is running";
    }
    void TearDown() override {
        sheet.Close();
        EndRunningActivator();
        DeleteProductTree();
        CoUninitialize();
    }

    unsigned HotKeyOf(int controlId) const {
        return static_cast<unsigned>(SendMessageA(sheet.PageItem(controlId), HKM_GETHOTKEY, 0, 0));
    }
    void ExpectBuiltInHotKeys() const {
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(HotKeyOf(kControls[i]), kBuiltIn[i]) << "control " << kControls[i];
    }
    // What the page stored for the user.
    static std::uint32_t Stored(const char* mode, const char* value) {
        std::uint32_t number = 0xDEADBEEF;
        ReadRegistryNumber(kUserHotKeyPath + mode, value, number);
        return number;
    }

    CPageSheet sheet;
};

// A page whose Activator is a stand-in window of the test, which the page finds: nothing is started.
class PagerPageWithStandIn : public PagerPage {
protected:
    void SetUp() override {
        PagerPage::SetUp();
        CStandInActivator::RecordIdentity();
    }

    CStandInActivator activator;
};

} // namespace

TEST_F(PagerPageWithStandIn, ShowsTheStoredHotKeysAndSendsNothingOnOpening) {
    WriteRegistryNumber(kHotKeyPath + "Normal", "Virtual Key Code", VK_F2);
    WriteRegistryNumber(kHotKeyPath + "Normal", "Modifiers", HOTKEYF_ALT);
    // Wider than 16 bits: the low 16 bits count.
    WriteRegistryNumber(kHotKeyPath + "Capture", "Virtual Key Code", 0x10000 + VK_SNAPSHOT);
    WriteRegistryNumber(kHotKeyPath + "Capture", "Modifiers", 0x10000);
    // The user's own choice over the machine's.
    WriteRegistryNumber(kHotKeyPath + "Sync Double", "Virtual Key Code", VK_F6);
    WriteRegistryNumber(kUserHotKeyPath + "Sync Double", "Virtual Key Code", VK_F7);
    CMessageBoxWatcher boxes;
    ASSERT_TRUE(sheet.Open());
    EXPECT_EQ(HotKeyOf(kInterlace), kBuiltIn[0]);
    EXPECT_EQ(HotKeyOf(kPageFlip), kBuiltIn[1]);
    EXPECT_EQ(HotKeyOf(kSyncDouble), 0x0100u | VK_F7);
    EXPECT_EQ(HotKeyOf(kLineBlank), kBuiltIn[3]);
    EXPECT_EQ(HotKeyOf(kNormal), 0x0471u);
    EXPECT_EQ(HotKeyOf(kCapture), static_cast<unsigned>(VK_SNAPSHOT));
    EXPECT_EQ(IsDlgButtonChecked(sheet.Page(), kLaunch), BST_CHECKED);
    EXPECT_FALSE(sheet.ApplyEnabled());

    // While the sheet holds the page, the library stays loaded, though the extension object is gone.
    EXPECT_EQ(CPagerLibrary::Get().canUnloadNow(), S_FALSE);
    sheet.Press(PSBTN_CANCEL);
    sheet.Close();
    EXPECT_EQ(CPagerLibrary::Get().canUnloadNow(), S_OK);
    EXPECT_TRUE(activator.Received().empty());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(PagerPageWithStandIn, ApplyStoresTheHotKeysAndAsksTheActivatorToReloadOnce) {
    // Another version named: shown from there, stored under "1.0".
    CStandInActivator::RecordIdentity("2.0");
    WriteRegistryNumber(std::string(kProductKeyPath) + "\\2.0\\HotKey\\Line Blank", "Virtual Key Code",
                        VK_F3);
    WriteRegistryNumber(std::string(kProductKeyPath) + "\\2.0\\HotKey\\Line Blank", "Modifiers",
                        HOTKEYF_SHIFT);
    CMessageBoxWatcher boxes;
    ASSERT_TRUE(sheet.Open());
    EXPECT_EQ(HotKeyOf(kLineBlank), 0x0172u);

    sheet.Type(kInterlace, {VK_MENU, VK_SHIFT, 'Q'});
    EXPECT_EQ(HotKeyOf(kInterlace), 0x0551u);
    EXPECT_TRUE(sheet.ApplyEnabled()) << "typing a hotkey did not enable Apply";
    sheet.Press(PSBTN_APPLYNOW);

    DWORD type = 0;
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (kUserHotKeyPath + "Interlace").substr(5).c_str(), 0, KEY_READ,
                            &key),
              ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "Virtual Key Code", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    RegCloseKey(key);
    EXPECT_EQ(Stored("Interlace", "Virtual Key Code"), 81u);
    EXPECT_EQ(Stored("Interlace", "Modifiers"), 5u);
    EXPECT_EQ(Stored("Page Flip", "Virtual Key Code"), static_cast<std::uint32_t>(VK_F9));
    EXPECT_EQ(Stored("Page Flip", "Modifiers"), 1u);
    EXPECT_EQ(Stored("Line Blank", "Virtual Key Code"), static_cast<std::uint32_t>(VK_F3));
    EXPECT_EQ(Stored("Line Blank", "Modifiers"), 1u);
    EXPECT_EQ(Stored("Capture", "Virtual Key Code"), static_cast<std::uint32_t>(VK_SCROLL));
    EXPECT_EQ(Stored("Capture", "Modifiers"), 0u);
    std::string version;
    EXPECT_TRUE(ReadRegistryString(kUserProductKeyPath, "Current Version", version));
    EXPECT_EQ(version, "1.0");
    // The machine's settings are every user's defaults, and stay as they were.
    EXPECT_TRUE(ReadRegistryString(kProductKeyPath, "Current Version", version));
    EXPECT_EQ(version, "2.0");
    EXPECT_FALSE(RegistryKeyExists(kHotKeyPath + "Interlace"));

    PumpMessages();
    EXPECT_EQ(activator.Received(), std::vector<UINT>{kReload});
    EXPECT_TRUE(boxes.Boxes().empty()) << "a start was attempted";
}

TEST_F(PagerPageWithStandIn, AKeyTheSystemReportsAsASystemKeyEnablesApplyToo) {
    // F10 alone arrives as WM_SYSKEYDOWN and WM_SYSKEYUP, never as WM_KEYUP.
    ASSERT_TRUE(sheet.Open());
    sheet.Type(kLineBlank, {VK_F10});
    EXPECT_EQ(HotKeyOf(kLineBlank), static_cast<unsigned>(VK_F10));
    EXPECT_TRUE(sheet.ApplyEnabled());
}

TEST_F(PagerPageWithStandIn, ApplyWithTheBoxUntickedEndsTheActivator) {
    CMessageBoxWatcher boxes;
    ASSERT_TRUE(sheet.Open());
    SendMessageA(sheet.PageItem(kLaunch), BM_CLICK, 0, 0);
    EXPECT_TRUE(sheet.ApplyEnabled()) << "clicking the box did not enable Apply";
    sheet.Press(PSBTN_APPLYNOW);
    PumpMessages();
    EXPECT_EQ(activator.Received(), std::vector<UINT>{WM_DESTROY});
    // The hotkeys are stored all the same.
    EXPECT_EQ(Stored("Normal", "Virtual Key Code"), static_cast<std::uint32_t>(VK_F12));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(PagerPageWithStandIn, CancelStoresNothingAndSendsNothing) {
    CStandInActivator::RecordIdentity("2.0");
    CMessageBoxWatcher boxes;
    ASSERT_TRUE(sheet.Open());
    sheet.Type(kNormal, {VK_CONTROL, 'N'});
    EXPECT_EQ(HotKeyOf(kNormal), 0x024Eu);
    SendMessageA(sheet.PageItem(kLaunch), BM_CLICK, 0, 0);
    sheet.Press(PSBTN_CANCEL);
    PumpMessages();
    EXPECT_FALSE(RegistryKeyExists(kUserHotKeyPath));
    std::string version;
    EXPECT_TRUE(ReadRegistryString(kProductKeyPath, "Current Version", version));
    EXPECT_EQ(version, "2.0");
    EXPECT_TRUE(activator.Received().empty());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(PagerPageWithStandIn, ShowsItsDefaultsOverADamagedRegistry) {
    WriteRegistryString(kHotKeyPath + "Interlace", "Virtual Key Code", "x");
    WriteRegistryRaw(kHotKeyPath + "Page Flip", "Modifiers", REG_BINARY, "\x01\x00", 2);
    WriteRegistryString(kHotKeyPath + "Sync Double", "Modifiers", std::string(300, 'm'));
    WriteRegistryString(kDirPath, "Zelto Activator PathName", std::string(300, 'p'));
    CMessageBoxWatcher boxes;
    ASSERT_TRUE(sheet.Open());
    ExpectBuiltInHotKeys();
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(PagerPage, AFailedStartShowsTheErrorBoxOverThePage) {
    // A copy of the extension in a folder without the Activator.
    namespace fs = std::filesystem;
    const fs::path lonely = fs::temp_directory_path() / "zelto-lonely";
    fs::create_directories(lonely);
    fs::copy_file(PathBesideTest("ZeltoPager.dll"), lonely / "ZeltoPager.dll",
                  fs::copy_options::overwrite_existing);
    static const CPagerLibrary library = CPagerLibrary::Load((lonely / "ZeltoPager.dll").string());
    ASSERT_NE(library.module, nullptr);
    WriteRegistryString(kDirPath, "Zelto Activator PathName", PathBesideTest("Zelto.exe"));
    CMessageBoxWatcher boxes;
    ASSERT_TRUE(sheet.Open(library));
    ASSERT_TRUE(WaitUntil([&] { return boxes.Boxes().size() == 1; }, 5000)) << "no error box on opening";
    CMessageBoxWatcher::CBox box = boxes.Boxes()[0];
    EXPECT_EQ(box.text, "ShellExecute Error!(2)\nCan't Run " + (lonely / "Zelto.exe").string() + "!");
    EXPECT_EQ(box.caption, "ZeltoPager");
    EXPECT_TRUE(box.hasOk);
    EXPECT_FALSE(box.hasCancel);
    EXPECT_EQ(FindWindowA("#32770", "Zelto Activator"), nullptr) << "the stored program was started";

    // Apply with the box ticked tries again; unticked it starts nothing.
    sheet.Type(kCapture, {VK_SCROLL});
    sheet.Press(PSBTN_APPLYNOW);
    EXPECT_TRUE(WaitUntil([&] { return boxes.Boxes().size() == 2; }, 5000)) << "no error box on Apply";
    SendMessageA(sheet.PageItem(kLaunch), BM_CLICK, 0, 0);
    sheet.Press(PSBTN_APPLYNOW);
    sheet.Pump();
    Sleep(200);
    EXPECT_EQ(boxes.Boxes().size(), 2u);
}

TEST_F(PagerPage, StartsOnlyTheActivatorBesideTheExtension) {
    // A program of the Activator's name planted in the current directory, and stored paths that name
    // it, a bare name, or a program that anyone may have put anywhere.
    namespace fs = std::filesystem;
    const fs::path planted = fs::temp_directory_path() / "zelto-planted";
    fs::create_directories(planted);
    fs::copy_file(PathBesideTest("Zelto.exe"), planted / "Zelto.exe", fs::copy_options::overwrite_existing);
    fs::copy_file(PathBesideTest("zelto_marker.exe"), planted / "Marker.exe",
                  fs::copy_options::overwrite_existing);
    const fs::path trace = planted / "Marker.exe.ran";
    fs::remove(trace);
    const fs::path previous = fs::current_path();
    fs::current_path(planted);

    for (const std::string& stored : {std::string(), std::string("Zelto.exe"),
                                      (planted / "Zelto.exe").string(), (planted / "Marker.exe").string()}) {
        SCOPED_TRACE("stored path \"" + stored + "\"");
        DeleteProductTree();
        if (!stored.empty())
            WriteRegistryString(kDirPath, "Zelto Activator PathName", stored);
        CMessageBoxWatcher boxes;
        ASSERT_TRUE(sheet.Open());
        HWND window = WaitForActivator();
        ASSERT_NE(window, nullptr) << "the Activator was not started";
        EXPECT_EQ(_stricmp(ProgramOfWindow(window).c_str(), PathBesideTest("Zelto.exe").c_str()), 0)
            << ProgramOfWindow(window);
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_FALSE(fs::exists(trace)) << "the stored program ran";
        EXPECT_TRUE(boxes.Boxes().empty());
        sheet.Close();
        EndRunningActivator();
    }

    fs::current_path(previous);
    std::error_code ignored;
    fs::remove_all(planted, ignored);
}

// Nothing stored: the page and the Activator that it starts agree on the hotkeys in force and on
// the Activator's window, so Apply reaches the Activator instead of starting another one.
TEST_F(PagerPage, OnAnEmptyRegistryThePageShowsAndKeepsTheHotKeysInForceAndReachesTheActivator) {
    CMessageBoxWatcher boxes;
    ASSERT_TRUE(sheet.Open());
    HWND window = WaitForActivator();
    ASSERT_NE(window, nullptr) << "the Activator was not started";
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    ASSERT_NE(process, nullptr);
    // The Activator's own (disabled) hotkey controls.
    auto shown = [&](int id) {
        DWORD_PTR word = 0;
        SendMessageTimeoutA(GetDlgItem(window, id), HKM_GETHOTKEY, 0, 0, SMTO_BLOCK, 2000, &word);
        return static_cast<unsigned>(word);
    };
    constexpr int kActivatorControls[] = {1010, 1002, 1003, 1008, 1006, 1014};
    ExpectBuiltInHotKeys();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(shown(kActivatorControls[i]), kBuiltIn[i]) << "Activator control " << kActivatorControls[i];

    // An unchanged Apply stores what was in force and changes nothing; a second Activator would show
    // the first one's window.
    SendMessageA(sheet.PageItem(kLaunch), BM_CLICK, 0, 0);
    SendMessageA(sheet.PageItem(kLaunch), BM_CLICK, 0, 0);
    sheet.Press(PSBTN_APPLYNOW);
    const char* modes[] = {"Interlace", "Page Flip", "Sync Double", "Line Blank", "Normal", "Capture"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Stored(modes[i], "Virtual Key Code"), kBuiltIn[i] & 0xFF) << modes[i];
        EXPECT_EQ(Stored(modes[i], "Modifiers"), kBuiltIn[i] >> 8) << modes[i];
    }
    EXPECT_FALSE(WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 1500)) << "a second start";
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(shown(kActivatorControls[i]), kBuiltIn[i]) << "Activator control " << kActivatorControls[i];

    // A new hotkey: the Activator reloads and shows it.
    sheet.Type(kInterlace, {VK_MENU, VK_SHIFT, 'Q'});
    sheet.Press(PSBTN_APPLYNOW);
    EXPECT_TRUE(WaitUntil([&] { return shown(1010) == 0x0551u; }, 5000)) << std::hex << shown(1010);
    EXPECT_FALSE(IsWindowVisible(window));

    // Unticked, Apply ends it.
    SendMessageA(sheet.PageItem(kLaunch), BM_CLICK, 0, 0);
    sheet.Press(PSBTN_APPLYNOW);
    EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0) << "the Activator did not end";
    CloseHandle(process);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(PagerPageWithStandIn, OpeningAndClosingThePageLeaksNoGdiObject) {
    // Once, so that what the process keeps for good (fonts, classes) exists before counting.
    ASSERT_TRUE(sheet.Open());
    sheet.Close();
    const int before = CountGdiObjects();
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(sheet.Open());
        sheet.Press(PSBTN_OK);
        sheet.Close();
    }
    EXPECT_LE(CountGdiObjects(), before);
}
