// The real shell as the client: the shell's own Properties sheet of a file, with the extension
// registered for all files, shows the Activator page.

#include "tests/support/WineTestSupport.h"
#include "tests/win/PagerTestSupport.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace testing_support;

namespace {

// What the watcher saw of the shell's sheet.
struct CSheetSeen {
    bool sheetFound = false;
    bool pageFound = false;
    std::string tabText;
    unsigned interlace = 0;
    bool launchTicked = false;
};

// The index of the tab with that text in the sheet's tab control, or -1.
int FindTab(HWND sheet, const char* text, std::string& found) {
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    int count = static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char buffer[128] = {};
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        SendMessageA(tabs, TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        if (std::string(buffer) == text) {
            found = buffer;
            return i;
        }
    }
    return -1;
}

// Runs on a thread of its own while the shell's sheet runs modally on the test's thread: selects the
// page, reads it and closes the sheet with Cancel.
void InspectShellSheet(DWORD shellThread, CSheetSeen& seen) {
    HWND sheet = nullptr;
    WaitUntil(
        [&] {
            struct CSearch {
                DWORD thread;
                HWND found;
            } search{shellThread, nullptr};
            EnumWindows(
                [](HWND window, LPARAM lParam) -> BOOL {
                    auto* s = reinterpret_cast<CSearch*>(lParam);
                    if (GetWindowThreadProcessId(window, nullptr) == s->thread && IsWindowVisible(window) &&
                        SendMessageA(window, PSM_GETTABCONTROL, 0, 0)) {
                        s->found = window;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            sheet = search.found;
            return sheet != nullptr;
        },
        20000);
    if (!sheet)
        return;
    seen.sheetFound = true;
    int index = FindTab(sheet, "Zelto Activator", seen.tabText);
    if (index >= 0) {
        // The shell creates a page's window only when the page is selected.
        SendMessageA(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
        HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        if (page && GetDlgItem(page, 205)) {
            seen.pageFound = true;
            seen.interlace = static_cast<unsigned>(SendMessageA(GetDlgItem(page, 205), HKM_GETHOTKEY, 0, 0));
            seen.launchTicked = SendMessageA(GetDlgItem(page, 2000), BM_GETCHECK, 0, 0) == BST_CHECKED;
        }
    }
    SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

} // namespace

TEST(PagerShell, TheShellsPropertiesSheetOfAFileShowsThePage) {
    const CPagerLibrary& library = CPagerLibrary::Get();
    ASSERT_NE(library.module, nullptr);
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    DeleteProductTree();
    // The Activator is "running": nothing is started when the page opens.
    CStandInActivator activator;
    CStandInActivator::RecordIdentity();
    WriteRegistryNumber(std::string(kProductKeyPath) + "\\1.0\\HotKey\\Interlace", "Virtual Key Code", VK_F5);
    WriteRegistryNumber(std::string(kProductKeyPath) + "\\1.0\\HotKey\\Interlace", "Modifiers",
                        HOTKEYF_SHIFT);
    ASSERT_EQ(library.registerServer(), S_OK);

    namespace fs = std::filesystem;
    const fs::path file = fs::temp_directory_path() / "zelto-shell-test.txt";
    std::ofstream(file) << "properties of me";
    ITEMIDLIST* item = nullptr;
    ASSERT_EQ(SHParseDisplayName(file.wstring().c_str(), nullptr, &item, 0, nullptr), S_OK);
    IShellFolder* folder = nullptr;
    const ITEMIDLIST* child = nullptr;
    ASSERT_EQ(SHBindToParent(item, IID_IShellFolder, reinterpret_cast<void**>(&folder), &child), S_OK);
    IContextMenu* menu = nullptr;
    ASSERT_EQ(
        folder->GetUIObjectOf(nullptr, 1, &child, IID_IContextMenu, nullptr, reinterpret_cast<void**>(&menu)),
        S_OK);

    CSheetSeen seen;
    std::thread inspector(InspectShellSheet, GetCurrentThreadId(), std::ref(seen));
    CMINVOKECOMMANDINFO invoke{};
    invoke.cbSize = sizeof invoke;
    invoke.lpVerb = "properties";
    invoke.nShow = SW_SHOWNORMAL;
    invoke.fMask = CMIC_MASK_FLAG_NO_UI;
    // Modal: returns when the sheet has closed.
    HRESULT result = menu->InvokeCommand(&invoke);
    inspector.join();
    menu->Release();
    folder->Release();
    CoTaskMemFree(item);

    EXPECT_EQ(result, S_OK);
    EXPECT_TRUE(seen.sheetFound) << "no Properties sheet";
    EXPECT_EQ(seen.tabText, "Zelto Activator") << "no page of ours in the sheet";
    EXPECT_TRUE(seen.pageFound);
    EXPECT_EQ(seen.interlace, 0x0174u) << "the page did not show the stored Shift+F5";
    EXPECT_TRUE(seen.launchTicked);
    PumpMessages();
    EXPECT_TRUE(activator.Received().empty());

    EXPECT_EQ(library.unregisterServer(), S_OK);
    std::error_code ignored;
    fs::remove(file, ignored);
    DeleteProductTree();
    CoUninitialize();
}
