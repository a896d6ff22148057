// The Activator's main window created in this process: its tray icon and menu, the keyboard hook it
// installs and feeds, the reload, and what its destruction takes down.

#include "activator/ActivatorDlg.h"
#include "activator/TrayIcon.h"
#include "activator/resource.h"
#include "framework/Handles.h"
#include "keyhook/KeyHook.h"
#include "settings/ActivatorMessages.h"
#include "tests/support/WineTestSupport.h"
#include "tests/win/KeyHookSection.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

using namespace testing_support;

namespace {

// Whether the shell holds icon `id` of `window`: a modification that changes nothing succeeds only then.
bool ShellHasIcon(HWND window, UINT id) {
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = id;
    return Shell_NotifyIconA(NIM_MODIFY, &record) != FALSE;
}

CKeyHookShared& Shared() {
    return *MappedKeyHookShared(GetModuleHandleA("ZeltoKey.dll"));
}

class ActivatorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteProductTree();
        ASSERT_NE(MappedKeyHookShared(GetModuleHandleA("ZeltoKey.dll")), nullptr);
        ASSERT_TRUE(dialog.Create());
        window = dialog.GetSafeHwnd();
        // As the program's start-up leaves it.
        ShowWindow(window, SW_HIDE);
    }
    void TearDown() override {
        if (IsWindow(window))
            DestroyWindow(window);
        MSG quit;
        PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        DeleteProductTree();
    }
    LRESULT TrayNotify(WPARAM id, LPARAM mouseMessage) {
        return SendMessageA(window, kMsgTrayIcon, id, mouseMessage);
    }

    CActivatorDlg dialog;
    HWND window = nullptr;
};

// While the tray menu runs its own loop: the menu's default item, then the item chosen with the keys
// `keys` (sent as real key presses once the menu is up).
struct CMenuProbe {
    UINT defaultItem = static_cast<UINT>(-1);
    int itemCount = -1;
};

CMenuProbe* g_menuProbe = nullptr;

void CALLBACK ProbeMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menuWindow = FindWindowA("#32768", nullptr);
    if (!menuWindow || !IsWindowVisible(menuWindow) || !g_menuProbe)
        return;
    KillTimer(nullptr, timer);
    auto menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
    g_menuProbe->defaultItem = GetMenuDefaultItem(menu, TRUE, 0);
    g_menuProbe->itemCount = GetMenuItemCount(menu);
    // Down selects the first item, "Interlacing"; Return chooses it.
    INPUT inputs[4] = {};
    const WORD keys[2] = {VK_DOWN, VK_RETURN};
    for (int i = 0; i < 4; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = keys[i / 2];
        inputs[i].ki.dwFlags = i % 2 ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(4, inputs, sizeof(INPUT));
}

} // namespace

TEST(TrayIconRecord, IsTheVersionOneRecordOfThisArchitecture) {
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    CTrayIcon icon;
    icon.Init(window, 77, kMsgTrayIcon, LoadIconA(nullptr, MAKEINTRESOURCEA(32512)), std::string(100, 't'));
    const NOTIFYICONDATAA& record = icon.Record();
    EXPECT_EQ(record.cbSize, sizeof(void*) == 8 ? 104u : 88u);
    EXPECT_EQ(record.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(record.uCallbackMessage, kMsgTrayIcon);
    EXPECT_EQ(std::string(record.szTip), std::string(63, 't')) << "the tip is cut to its field";

    EXPECT_FALSE(ShellHasIcon(window, 77));
    EXPECT_TRUE(icon.Add());
    EXPECT_TRUE(ShellHasIcon(window, 77));
    EXPECT_TRUE(icon.Delete());
    EXPECT_FALSE(ShellHasIcon(window, 77));
    EXPECT_FALSE(icon.Delete()) << "nothing left to remove";
    DestroyWindow(window);
}

TEST_F(ActivatorWindow, CreationAddsTheIconAttachesTheHookAndHandsOverTheHotKeys) {
    EXPECT_TRUE(ShellHasIcon(window, kTrayIconId));
    CKeyHookShared& shared = Shared();
    EXPECT_NE(shared.hook, nullptr);
    EXPECT_EQ(shared.targetWindow, window);
    // The built-in hotkeys.
    EXPECT_EQ(shared.modes[0].virtualKey, 0x78);
    EXPECT_EQ(shared.modes[0].modifiers, 1);
    EXPECT_EQ(shared.modes[4].virtualKey, 0x7B);
    EXPECT_EQ(shared.capture.virtualKey, 0x91);
    EXPECT_EQ(shared.capture.modifiers, 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_HOTKEY_NORMAL)));
}

TEST_F(ActivatorWindow, TheTrayCallbackAnswersOnlyForItsOwnIcon) {
    EXPECT_EQ(TrayNotify(130, WM_LBUTTONDBLCLK), 0);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(TrayNotify(kTrayIconId, WM_MOUSEMOVE), 1);
    EXPECT_EQ(TrayNotify(kTrayIconId, WM_LBUTTONDOWN), 1);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(TrayNotify(kTrayIconId, WM_LBUTTONDBLCLK), 1);
    EXPECT_TRUE(IsWindowVisible(window));
    // "OK" hides the window again; the icon stays.
    SendMessageA(window, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(ShellHasIcon(window, kTrayIconId));
}

TEST_F(ActivatorWindow, ARightClickShowsTheMenuWithPropertiesAsDefault) {
    CMenuProbe probe;
    g_menuProbe = &probe;
    SetTimer(nullptr, 0, 50, ProbeMenu);
    // The menu runs its own loop until an item is chosen.
    EXPECT_EQ(TrayNotify(kTrayIconId, WM_RBUTTONUP), 1);
    g_menuProbe = nullptr;
    EXPECT_EQ(probe.itemCount, 8);
    EXPECT_EQ(probe.defaultItem, 6u) << "\"Properties ...\"";
    // The chosen "Interlacing" reaches the window as its command.
    EXPECT_TRUE(WaitUntil([&] { return dialog.GetItemText(IDC_STATUS) == "Interlacing"; }, 10000));
}

TEST_F(ActivatorWindow, ReloadShowsAndHandsOverTheNewHotKeys) {
    const std::string normalKey = std::string(kProductKeyPath) + "\\1.0\\HotKey\\Normal";
    WriteRegistryNumber(normalKey, "Virtual Key Code", VK_F11);
    WriteRegistryNumber(normalKey, "Modifiers", HOTKEYF_CONTROL);
    EXPECT_EQ(SendMessageA(window, kMsgReloadSettings, 0, 0), 1);
    EXPECT_EQ(SendDlgItemMessageA(window, IDC_HOTKEY_NORMAL, HKM_GETHOTKEY, 0, 0), 0x027A);
    EXPECT_EQ(Shared().modes[4].virtualKey, VK_F11);
    EXPECT_EQ(Shared().modes[4].modifiers, HOTKEYF_CONTROL);
    EXPECT_EQ(Shared().modes[0].virtualKey, 0x78) << "the others stay";
}

TEST_F(ActivatorWindow, SettingsShowsSetCapture) {
    // "Settings..." runs the capture settings dialog modally; it is cancelled as soon as it is up.
    std::thread canceller([] {
        HWND settings = WaitForWindow("#32770", "Capture Settings", 5000);
        PostMessageA(settings, WM_COMMAND, IDCANCEL, 0);
    });
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_CAPTURE_SETTINGS, BN_CLICKED), 0);
    canceller.join();
    EXPECT_EQ(dialog.GetItemText(IDC_STATUS), "Set Capture");
}

TEST_F(ActivatorWindow, ACaptureReportIsConfirmedInTheNotificationArea) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string written = std::string(temp) + "zelto-notice-written.jps";
    const std::string empty = std::string(temp) + "zelto-notice-empty.jps";
    for (const std::string* path : {&written, &empty}) {
        CFileHandle file(CreateFileA(path->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD count = 0;
        ASSERT_TRUE(file && WriteFile(file, "jpeg", path == &written ? 4 : 0, &count, nullptr));
    }
    // As the hook library reports a capture: the result code, then the reserved file.
    auto report = [&](std::int32_t result, const std::string& path, ULONG_PTR id, DWORD size) {
        std::vector<char> payload(sizeof result + path.size() + 1);
        std::memcpy(payload.data(), &result, sizeof result);
        std::memcpy(payload.data() + sizeof result, path.c_str(), path.size() + 1);
        COPYDATASTRUCT data{id, std::min(size, static_cast<DWORD>(payload.size())), payload.data()};
        return SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    };
    const NOTIFYICONDATAA& shown = dialog.TrayIcon().LastNotification();

    EXPECT_EQ(report(0, written, kCaptureReportCopyData, MAXDWORD), TRUE);
    EXPECT_EQ(shown.cbSize, sizeof(NOTIFYICONDATAA)) << "the version-1 record has no notification";
    EXPECT_EQ(shown.hWnd, window);
    EXPECT_EQ(shown.uID, kTrayIconId);
    EXPECT_EQ(shown.uFlags, static_cast<UINT>(NIF_INFO));
    EXPECT_STREQ(shown.szInfoTitle, "Screen captured");
    EXPECT_EQ(std::string(shown.szInfo), written);
    EXPECT_EQ(shown.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));

    EXPECT_EQ(report(0, empty, kCaptureReportCopyData, MAXDWORD), TRUE);
    EXPECT_STREQ(shown.szInfoTitle, "Screen not captured");
    EXPECT_EQ(std::string(shown.szInfo), "The picture could not be written to " + empty);
    EXPECT_EQ(shown.dwInfoFlags, static_cast<DWORD>(NIIF_ERROR));
    EXPECT_EQ(report(-4, written, kCaptureReportCopyData, MAXDWORD), TRUE);
    EXPECT_STREQ(shown.szInfo, "Error: BltBit Fail!");

    // What is not such a report is refused and changes nothing.
    EXPECT_EQ(report(0, written, 1, MAXDWORD), FALSE);
    EXPECT_EQ(report(0, written, kCaptureReportCopyData, 3), FALSE);
    EXPECT_STREQ(shown.szInfo, "Error: BltBit Fail!");
    // Message 1031 speaks to the status line only.
    SendMessageA(window, kMsgResultCapture, 0, 0);
    EXPECT_EQ(dialog.GetItemText(IDC_STATUS), "Capture ");
    EXPECT_STREQ(shown.szInfo, "Error: BltBit Fail!");
    DeleteFileA(written.c_str());
    DeleteFileA(empty.c_str());
}

TEST_F(ActivatorWindow, TheIconComesBackWhenTheTaskbarIsRecreated) {
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = kTrayIconId;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &record));
    ASSERT_FALSE(ShellHasIcon(window, kTrayIconId));
    SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(ShellHasIcon(window, kTrayIconId));
}

TEST_F(ActivatorWindow, DestructionRemovesIconAndHookAndEndsTheLoop) {
    CKeyHookShared& shared = Shared();
    HHOOK hook = shared.hook;
    ASSERT_NE(hook, nullptr);
    // Checked while the window still exists, so that only its own removal can take the icon away.
    bool iconGoneAtDestroy = false;
    struct CWatch {
        static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR data) {
            if (message == WM_NCDESTROY)
                *reinterpret_cast<bool*>(data) = !ShellHasIcon(window, kTrayIconId);
            return DefSubclassProc(window, message, wParam, lParam);
        }
    };
    SetWindowSubclass(window, CWatch::Proc, 1, reinterpret_cast<DWORD_PTR>(&iconGoneAtDestroy));
    SendMessageA(window, WM_COMMAND, ID_EXIT, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(iconGoneAtDestroy);
    EXPECT_EQ(shared.hook, nullptr);
    EXPECT_EQ(shared.targetWindow, nullptr);
    EXPECT_FALSE(UnhookWindowsHookEx(hook)) << "the hook was removed";
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}
