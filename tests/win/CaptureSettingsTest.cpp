// "Capture Settings" run in this process: what OK stores for the user, what it refuses and a save that fails,
// what Cancel does not store, Default, Change... with the system's save-file dialog, View with the
// browser, and the main window's copy.

#include "activator/CaptureSettingsDlg.h"
#include "activator/resource.h"
#include "tests/win/DisplayTestSupport.h"

#include <gtest/gtest.h>

#include <thread>

using namespace display_testing;
using namespace testing_support;

namespace {

const std::string kCaptureKey = std::string(kUserProductKeyPath) + "\\1.0\\Capture";

class CaptureSettings : public ::testing::Test {
protected:
    void SetUp() override { DeleteProductTree(); }
    void TearDown() override { DeleteProductTree(); }

    // Runs the dialog on `dialog`'s fields: types `dir` and `name` into the edits and ends with `button`.
    static INT_PTR TypeAndEnd(CCaptureSettingsDlg& dialog, const std::string& dir, const std::string& name,
                              int button) {
        return RunModalWithScript(dialog, [&](CWindowScript& s) {
            SetDlgItemTextA(s.window, IDC_CAPTURE_DIR, dir.c_str());
            SetDlgItemTextA(s.window, IDC_CAPTURE_NAME, name.c_str());
            s.PressButton(s.window, button);
        });
    }

    static std::string Stored(const char* value) {
        std::string text = "(missing)";
        ReadRegistryString(kCaptureKey, value, text);
        return text;
    }
    static std::uint32_t StoredViewMode() {
        std::uint32_t mode = 99;
        ReadRegistryNumber(kCaptureKey, "View Mode", mode);
        return mode;
    }

    CTempDirectory place{"zelto-capture"};
};

} // namespace

TEST_F(CaptureSettings, OkStoresTheNameMadeSixLongAndTheDirectoryWithItsBackslash) {
    struct Case {
        const char* typed;
        const char* stored;
    };
    for (Case c :
         {Case{"Pictures", "Pictur"}, Case{"ab", "ab____"}, Case{"", "______"}, Case{"Shot01", "Shot01"}}) {
        CCaptureSettingsDlg dialog;
        dialog.m_viewMode = kViewInterlace;
        // The box "Lossless (PNG)" shows the choice, and OK stores it.
        dialog.m_lossless = c.typed[0] == 'a';
        EXPECT_EQ(TypeAndEnd(dialog, place.path() + "Capture", c.typed, IDOK), IDOK);
        std::uint32_t lossless = 99;
        EXPECT_TRUE(ReadRegistryNumber(kCaptureKey, "Lossless", lossless) && lossless == (c.typed[0] == 'a'));
        EXPECT_EQ(Stored("Name"), c.stored);
        EXPECT_EQ(dialog.m_name, c.stored);
        EXPECT_EQ(Stored("Dir"), place.path() + "Capture\\");
        EXPECT_EQ(dialog.m_dir, place.path() + "Capture\\");
        EXPECT_EQ(StoredViewMode(), 0u);
    }
    // The directory was created, one level.
    EXPECT_NE(GetFileAttributesA((place.path() + "Capture").c_str()), INVALID_FILE_ATTRIBUTES);

    CCaptureSettingsDlg deeper;
    deeper.m_viewMode = kViewFlat2D;
    EXPECT_EQ(TypeAndEnd(deeper, place.path() + "A\\B", "x", IDOK), IDOK);
    EXPECT_EQ(Stored("Dir"), place.path() + "A\\B\\");
    EXPECT_EQ(StoredViewMode(), 3u);
    EXPECT_EQ(GetFileAttributesA((place.path() + "A").c_str()), INVALID_FILE_ATTRIBUTES)
        << "parents are not made";
    EXPECT_FALSE(RegistryKeyExists(std::string(kProductKeyPath) + "\\1.0\\Capture")) << "stored for everyone";
}

TEST_F(CaptureSettings, OkRefusesWhatNoCaptureCouldUseAndSaysWhy) {
    struct Case {
        std::string dir;
        std::string name;
        const char* says;
        int focus;
    };
    const char* badName = "A name cannot hold \\ / : * ? \" < > |";
    const char* badDir = "The folder must be a full path (C:\\...)";
    const char* device = "Pictures go only to a folder on a drive or a network share.";
    const Case cases[] = {
        {place.path(), "sh?t", badName, IDC_CAPTURE_NAME},
        {place.path(), "a/b", badName, IDC_CAPTURE_NAME},
        {place.path(), "tab\there", badName, IDC_CAPTURE_NAME},
        {"Shots", "Captur", badDir, IDC_CAPTURE_DIR},
        {"", "Captur", badDir, IDC_CAPTURE_DIR},
        {"C:Shots", "Captur", badDir, IDC_CAPTURE_DIR},
        {"\\\\.\\pipe\\shots", "Captur", device, IDC_CAPTURE_DIR},
        {"\\\\host\\PIPE\\shots\\", "Captur", device, IDC_CAPTURE_DIR},
        {"C:\\" + std::string(250, 'd'), "Captur", "The folder path is too long.", IDC_CAPTURE_DIR}};
    CCaptureSettingsDlg dialog;
    dialog.m_viewMode = kViewInterlace;
    const INT_PTR result = RunModalWithScript(dialog, [&](CWindowScript& s) {
        // As long as the settings can read back.
        for (int edit : {IDC_CAPTURE_DIR, IDC_CAPTURE_NAME})
            s.Check(SendDlgItemMessageA(s.window, edit, EM_GETLIMITTEXT, 0, 0) == 254, "the edits' limit");
        for (const Case& c : cases) {
            SetDlgItemTextA(s.window, IDC_CAPTURE_DIR, c.dir.c_str());
            SetDlgItemTextA(s.window, IDC_CAPTURE_NAME, c.name.c_str());
            SetDlgItemTextA(s.window, IDC_STATUS, "");
            s.PressButton(s.window, IDOK);
            s.Check(s.WaitFor([&] { return ControlText(s.window, IDC_STATUS) == c.says; }),
                    c.dir + " " + c.name);
            GUITHREADINFO focus{};
            focus.cbSize = sizeof focus;
            GetGUIThreadInfo(s.uiThread, &focus);
            s.Check(focus.hwndFocus == GetDlgItem(s.window, c.focus),
                    "the focus for " + c.dir + " " + c.name);
            s.Check(IsWindowVisible(s.window) != FALSE, "the dialog closed");
        }
        s.Check(!RegistryKeyExists(kCaptureKey), "something was stored");
        SetDlgItemTextA(s.window, IDC_CAPTURE_DIR, place.path().c_str());
        SetDlgItemTextA(s.window, IDC_CAPTURE_NAME, "Good");
        s.PressButton(s.window, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(Stored("Name"), "Good__");
}

TEST_F(CaptureSettings, AFailedSaveSaysSoAndTheOpenerKeepsItsValues) {
    // Below a volatile key no lasting key can be made: the Capture key cannot be created.
    HKEY version = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Korva Corporation\\Zelto Activator\\1.0", 0,
                              nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &version, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(version);
    CActivatorSettings settings;
    settings.viewMode = kViewLineBlank;
    settings.dir = place.path();
    settings.name = "Mine__";
    std::string status;
    bool openAfterOk = false;
    std::thread driver([&] {
        HWND dialog = WaitForWindow("#32770", "Capture Settings", 5000);
        WaitUntil([&] { return ControlText(dialog, IDC_CAPTURE_NAME) == "Mine__"; }, 5000);
        SendMessageA(GetDlgItem(dialog, IDC_CAPTURE_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Other"));
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        WaitUntil([&] { return !ControlText(dialog, IDC_STATUS).empty(); }, 5000);
        status = ControlText(dialog, IDC_STATUS);
        openAfterOk = IsWindowVisible(dialog) != FALSE;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(EditCaptureSettings(nullptr, settings));
    driver.join();
    EXPECT_EQ(status, "The settings could not be saved.");
    EXPECT_TRUE(openAfterOk);
    EXPECT_EQ(settings.name, "Mine__");
    EXPECT_EQ(settings.dir, place.path());
    EXPECT_EQ(settings.viewMode, kViewLineBlank);
    EXPECT_FALSE(RegistryKeyExists(kCaptureKey));
}

TEST_F(CaptureSettings, CancelAfterDefaultStoresNothingAndTheMainWindowKeepsItsSettings) {
    CActivatorSettings settings;
    settings.viewMode = kViewLineBlank;
    settings.dir = "C:\\Mine\\";
    settings.name = "Mine__";
    settings.defaultDir = place.path();
    settings.defaultName = "Deflt_";
    std::string dirShown;
    std::string nameShown;
    // Default shows the defaults; Cancel (Esc) takes nothing back.
    CCaptureSettingsDlg dialog;
    dialog.m_viewMode = settings.viewMode;
    dialog.m_dir = settings.dir;
    dialog.m_name = settings.name;
    dialog.m_defaultDir = settings.defaultDir;
    dialog.m_defaultName = settings.defaultName;
    const INT_PTR result = RunModalWithScript(dialog, [&](CWindowScript& s) {
        s.Check(ControlText(s.window, IDC_CAPTURE_DIR) == "C:\\Mine\\", "the directory shown");
        s.Check(ControlText(s.window, IDC_CAPTURE_NAME) == "Mine__", "the name shown");
        s.PressButton(s.window, IDC_CAPTURE_DEFAULT);
        s.WaitFor([&] { return ControlText(s.window, IDC_CAPTURE_NAME) == "Deflt_"; });
        dirShown = ControlText(s.window, IDC_CAPTURE_DIR);
        nameShown = ControlText(s.window, IDC_CAPTURE_NAME);
        s.PressButton(s.window, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dirShown, place.path());
    EXPECT_EQ(nameShown, "Deflt_");
    EXPECT_FALSE(RegistryKeyExists(kCaptureKey));

    // Through the main window's handler: Cancel leaves its copy as it was, OK takes all five back.
    CActivatorSettings before = settings;
    std::thread closer([] {
        HWND dialog = WaitForWindow("#32770", "Capture Settings", 5000);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(EditCaptureSettings(nullptr, settings));
    closer.join();
    EXPECT_EQ(settings.dir, before.dir);
    EXPECT_EQ(settings.name, before.name);
    std::thread acceptor([] {
        HWND dialog = WaitForWindow("#32770", "Capture Settings", 5000);
        // Found as soon as it exists: wait for its initialisation to fill the edits.
        WaitUntil([&] { return ControlText(dialog, IDC_CAPTURE_NAME) == "Mine__"; }, 5000);
        SendMessageA(GetDlgItem(dialog, IDC_CAPTURE_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Taken"));
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(EditCaptureSettings(nullptr, settings));
    acceptor.join();
    EXPECT_EQ(settings.name, "Taken_");
    EXPECT_EQ(settings.dir, "C:\\Mine\\");
    EXPECT_EQ(settings.viewMode, kViewLineBlank);
    EXPECT_EQ(settings.defaultName, "Deflt_");
}

TEST_F(CaptureSettings, TheFormatListAndTheAlignmentKeys) {
    // A view mode outside 0 to 3 from the main window is shown as Sync Doubling and stored as 1.
    for (int viewMode : {4, -1}) {
        CCaptureSettingsDlg dialog;
        dialog.m_viewMode = viewMode;
        dialog.m_dir = place.path();
        std::string shown;
        bool alignmentEnabled = false;
        RunModalWithScript(dialog, [&](CWindowScript& s) {
            shown = ControlText(s.window, IDC_CAPTURE_FORMAT);
            alignmentEnabled = IsWindowEnabled(GetDlgItem(s.window, IDC_CAPTURE_ALIGN_KEYS)) &&
                               IsWindowEnabled(GetDlgItem(s.window, IDC_CAPTURE_ALIGN_TEXT));
            s.PressButton(s.window, IDOK);
        });
        EXPECT_EQ(shown, "Sync. Doubling") << viewMode;
        EXPECT_TRUE(alignmentEnabled) << viewMode;
        EXPECT_EQ(StoredViewMode(), 1u) << viewMode;
    }

    CCaptureSettingsDlg dialog;
    dialog.m_viewMode = kViewSyncDouble;
    dialog.m_dir = place.path();
    RunModalWithScript(dialog, [&](CWindowScript& s) {
        HWND combo = GetDlgItem(s.window, IDC_CAPTURE_FORMAT);
        s.Check(SendMessageA(combo, CB_GETCOUNT, 0, 0) == 4, "four formats");
        const char* names[] = {"Interlacing", "Sync. Doubling", "Line Blanking", "2D"};
        for (int i = 0; i < 4; ++i) {
            char text[64] = {};
            SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            s.Check(std::string(text) == names[i], std::string("item ") + names[i]);
        }
        const auto select = [&](int item) {
            SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
            SendMessageA(s.window, WM_COMMAND, MAKEWPARAM(IDC_CAPTURE_FORMAT, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(combo));
        };
        select(kViewInterlace);
        s.Check(!IsWindowEnabled(GetDlgItem(s.window, IDC_CAPTURE_ALIGN_KEYS)),
                "+/- disabled for Interlacing");
        select(kViewFlat2D);
        s.Check(!IsWindowEnabled(GetDlgItem(s.window, IDC_CAPTURE_ALIGN_TEXT)), "alignment disabled for 2D");
        select(kViewSyncDouble);
        s.Check(IsWindowEnabled(GetDlgItem(s.window, IDC_CAPTURE_ALIGN_TEXT)) != FALSE,
                "alignment enabled again");
        select(kViewLineBlank);
        // Text typed into the list's edit field is no selection.
        SetWindowTextA(combo, "2D");
        s.PressButton(s.window, IDOK);
    });
    EXPECT_EQ(StoredViewMode(), 2u);
    EXPECT_EQ(dialog.m_viewMode, kViewLineBlank);
}

TEST_F(CaptureSettings, ChangePicksDirectoryAndNameWithTheSaveFileDialog) {
    CCaptureSettingsDlg dialog;
    dialog.m_viewMode = kViewInterlace;
    dialog.m_dir = place.path();
    dialog.m_name = "start_";
    std::string dirShown;
    std::string nameShown;
    const INT_PTR result = RunModalWithScript(dialog, [&](CWindowScript& s) {
        s.PressButton(s.window, IDC_CAPTURE_CHANGE);
        s.Check(s.ChooseInFileDialog(s.window, place.path() + "frame.jpg"), "the save-file dialog");
        s.WaitFor([&] { return ControlText(s.window, IDC_CAPTURE_NAME) == "frame_"; });
        dirShown = ControlText(s.window, IDC_CAPTURE_DIR);
        nameShown = ControlText(s.window, IDC_CAPTURE_NAME);
        // Cancelling the file dialog changes nothing.
        s.PressButton(s.window, IDC_CAPTURE_CHANGE);
        HWND fileDialog = s.WaitForWindow(s.window);
        PostMessageA(fileDialog, WM_COMMAND, IDCANCEL, 0);
        s.WaitFor([&] { return !IsWindow(fileDialog); });
        s.Check(ControlText(s.window, IDC_CAPTURE_NAME) == "frame_", "cancelled");
        s.PressButton(s.window, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dirShown, place.path());
    EXPECT_EQ(nameShown, "frame_");
    EXPECT_EQ(GetFileAttributesA((place.path() + "frame.jpg").c_str()), INVALID_FILE_ATTRIBUTES)
        << "a file was made";
    EXPECT_FALSE(RegistryKeyExists(kCaptureKey));
}

TEST_F(CaptureSettings, ViewOpensTheBrowserOnTheTextsAsTheyStand) {
    const int W = GetSystemMetrics(SM_CXSCREEN);
    const int H = GetSystemMetrics(SM_CYSCREEN);
    ASSERT_TRUE(WritePairFile(place.path() + "view00.jpg", W / 2, H / 2, RGB(40, 200, 40), RGB(40, 200, 40)));
    std::string withoutBackslash = place.path();
    withoutBackslash.pop_back();

    CCaptureSettingsDlg dialog;
    dialog.m_viewMode = kViewFlat2D;
    bool browserOpened = false;
    bool openedWithoutBackslash = false;
    std::string statusAfterView;
    std::string statusWithoutBackslash;
    RunModalWithScript(dialog, [&](CWindowScript& s) {
        SetDlgItemTextA(s.window, IDC_CAPTURE_DIR, place.path().c_str());
        SetDlgItemTextA(s.window, IDC_CAPTURE_NAME, "view");
        SetDlgItemTextA(s.window, IDC_STATUS, "before");
        s.PressButton(s.window, IDC_CAPTURE_VIEW);
        HWND browser = s.WaitForWindow(s.window);
        browserOpened = browser != nullptr;
        s.Check(s.WaitFor([&] {
            const CPixels middle = ReadScreen(W / 2, H / 2, 1, 1);
            return !middle.data.empty() && Near(middle.At(0, 0), RGB(40, 200, 40));
        }),
                "the browser shows the picture");
        PostMessageA(browser, WM_KEYDOWN, VK_ESCAPE, 1);
        s.Check(s.WaitFor([&] { return !IsWindow(browser); }), "the browser closed");
        s.WaitFor([&] { return ControlText(s.window, IDC_STATUS) != "before"; });
        statusAfterView = ControlText(s.window, IDC_STATUS);
        SetDlgItemTextA(s.window, IDC_STATUS, "before");

        // As typed: without the final backslash the browser finds nothing and does not open.
        SetDlgItemTextA(s.window, IDC_CAPTURE_DIR, withoutBackslash.c_str());
        s.PressButton(s.window, IDC_CAPTURE_VIEW);
        openedWithoutBackslash = s.WaitForWindow(s.window, 1000) != nullptr;
        s.WaitFor([&] { return ControlText(s.window, IDC_STATUS) != "before"; });
        statusWithoutBackslash = ControlText(s.window, IDC_STATUS);
        s.PressButton(s.window, IDCANCEL);
    });
    EXPECT_TRUE(browserOpened);
    EXPECT_FALSE(openedWithoutBackslash);
    EXPECT_EQ(statusAfterView, "");
    EXPECT_EQ(statusWithoutBackslash, "There is no picture to show.");
    EXPECT_EQ(dialog.m_dir, withoutBackslash);
    EXPECT_EQ(dialog.m_name, "view");
    EXPECT_FALSE(RegistryKeyExists(kCaptureKey));
}
