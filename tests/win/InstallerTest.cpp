// The setup program under Wine, by scenario. A fresh install puts the deliverables, the settings, the
// shell extension, the viewer in "Open with" of stereo pictures, the Start-menu entries and the start at
// logon in place, lets standard users write only the machine's settings that every user changes, and
// leaves each user's capture settings working; the uninstaller takes all of it away but the captured
// pictures and the file types' own programs. An upgrade over a running Activator and a loaded page
// library replaces what it can, leaves the rest to the next restart, starts the Activator only with its
// own files, and takes back what an earlier version left open; a reinstallation loses nothing either.

#include "keyhook/CaptureFileName.h"
#include "settings/CaptureSettings.h"
#include "settings/WindowIdentity.h"
#include "tests/support/WineTestSupport.h"
#include "tests/win/DisplayTestSupport.h"
#include "tests/win/PagerTestSupport.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

const std::string kVersionPath = std::string(kProductKeyPath) + "\\1.0";
const std::string kDirPath = kVersionPath + "\\Dir";
const std::string kCapturePath = kVersionPath + "\\Capture";
const std::string kUserCapturePath = std::string(kUserProductKeyPath) + "\\1.0\\Capture";
const std::string kHotKeyPath = kVersionPath + "\\HotKey";
const std::string kColorCodePath = kVersionPath + "\\Color Code";
// Setup's exit code when files are replaced or removed only at the next restart.
constexpr long kRestartNeeded = 3010;

std::string KnownFolder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string FileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool SamePath(const fs::path& a, const fs::path& b) {
    return _stricmp(a.string().c_str(), b.string().c_str()) == 0;
}

// The access that the key's DACL grants BUILTIN\Users through entries that the keys created below it
// inherit, 0 when none.
DWORD UsersAccess(const std::string& keyPath) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::string name = "MACHINE\\" + keyPath;
    if (GetNamedSecurityInfoA(name.c_str(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return 0;
    BYTE users[SECURITY_MAX_SID_SIZE];
    DWORD usersSize = sizeof users;
    CreateWellKnownSid(WinBuiltinUsersSid, nullptr, users, &usersSize);
    DWORD access = 0;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(dacl, i, &entry))
            continue;
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        if (allowed->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            (allowed->Header.AceFlags & (CONTAINER_INHERIT_ACE | INHERITED_ACE)) &&
            EqualSid(&allowed->SidStart, users))
            access |= allowed->Mask;
    }
    LocalFree(descriptor);
    return access;
}

// Gives the key the access rules written as `sddl`.
void SetAccessRules(const std::string& keyPath, const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(
        ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr));
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    std::string name = "MACHINE\\" + keyPath;
    EXPECT_EQ(SetNamedSecurityInfoA(name.data(), SE_REGISTRY_KEY,
                                    DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, dacl, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    LocalFree(descriptor);
}

// Whether this thread may set values in the key.
bool MayWrite(const std::string& keyPath) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The keys of the settings that the local Users group may or may not write.
const std::string kAdministratorsOnly[] = {kProductKeyPath, kVersionPath, kDirPath, kCapturePath};
const std::string kEveryUser[] = {kHotKeyPath, kColorCodePath};

// What starts at every user's logon: the machine's Run key (the 64-bit view).
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
std::string RunEntry() {
    std::string command = "<missing>";
    ReadRegistryString(kRunKey, "Zelto Activator", command);
    return command;
}

constexpr char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";

// The viewer's entries in "Open with", and a program that opens .jps files by default before Setup.
constexpr char kViewerProgId[] = "ZeltoViewer.StereoPicture";
constexpr char kViewerApplication[] = "Applications\\ZeltoViewer.exe";
constexpr char kOtherJpsProgram[] = "OtherViewer.jps";

// Whether the value exists in HKEY_CLASSES_ROOT, of whatever type.
bool ClassesValueExists(const std::string& key, const char* name) {
    return RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

// The file operations that wait for the next restart, as (file, new name) with the "\??\" and "!"
// marks taken off; the new name is empty for a deletion.
std::vector<std::pair<fs::path, fs::path>> PendingFileOperations() {
    std::vector<std::pair<fs::path, fs::path>> operations;
    wchar_t data[16384];
    DWORD size = sizeof data;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager",
                     L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, data,
                     &size) != ERROR_SUCCESS)
        return operations;
    // Strings that each end with a zero, in pairs; a deletion's new name is an empty string, and the
    // list ends with one more.
    std::vector<std::wstring> strings;
    const size_t count = size / sizeof(wchar_t);
    for (size_t start = 0; start < count;) {
        const size_t length = wcsnlen(data + start, count - start);
        strings.emplace_back(data + start, length);
        start += length + 1;
    }
    auto plain = [](std::wstring name) {
        if (!name.empty() && name[0] == L'!')
            name.erase(0, 1);
        if (name.rfind(L"\\??\\", 0) == 0)
            name.erase(0, 4);
        return fs::path(name);
    };
    for (size_t i = 0; i + 1 < strings.size(); i += 2)
        if (!strings[i].empty())
            operations.emplace_back(plain(strings[i]), plain(strings[i + 1]));
    return operations;
}

bool IsPending(const fs::path& file, const fs::path& newName) {
    for (const auto& [from, to] : PendingFileOperations())
        if (SamePath(from, file) && (newName.empty() ? to.empty() : SamePath(to, newName)))
            return true;
    return false;
}

// What Windows does with the pending operations when it restarts; Wine's restart does the same. With no
// options wineboot also starts what a logon does (the Run keys' programs), which its restart does not.
void Restart(const char* options = "-r") {
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    CChildProcess wineboot;
    ASSERT_TRUE(wineboot.Start(std::string(system) + "\\wineboot.exe", options));
    ASSERT_NE(wineboot.Wait(60000), -1) << "the restart did not end";
}

// A visible top-level window of the process, other than the windows given.
HWND OtherWindowOf(DWORD processId, std::vector<HWND> known) {
    struct CSearch {
        DWORD processId;
        std::vector<HWND> known;
        HWND found = nullptr;
    } search{processId, std::move(known)};
    EnumWindows(
        [](HWND window, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<CSearch*>(lParam);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->processId && IsWindowVisible(window) &&
                std::find(s->known.begin(), s->known.end(), window) == s->known.end())
                s->found = window;
            return s->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class Installer : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteProductTree();
        ASSERT_EQ(FindWindowA("#32770", "Zelto Activator"), nullptr)
            << "an Activator from elsewhere is running";
        // Wine's shell would mirror the new Start-menu entries into the desktop of the machine.
        RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", "winemenubuilder.exe", REG_SZ, "",
                        1);
        installDir = fs::path(KnownFolder(CSIDL_PROGRAM_FILES)) / "Zelto Activator";
        menuDir = fs::path(KnownFolder(CSIDL_COMMON_PROGRAMS)) / "Zelto Activator";
        ASSERT_FALSE(fs::exists(installDir)) << "installed from elsewhere";
        // .jps files belong to another program; .mpo and .pns files to none.
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.jps", nullptr, REG_SZ, kOtherJpsProgram,
                        sizeof kOtherJpsProgram);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.mpo");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.pns");
    }
    void TearDown() override {
        EndRunningActivator();
        for (HMODULE module : loaded)
            FreeLibrary(module);
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations");
        std::error_code ignored;
        fs::remove_all(installDir, ignored);
        fs::remove_all(menuDir, ignored);
        if (!captureDir.empty())
            fs::remove_all(captureDir, ignored);
        DeleteProductTree();
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.jps");
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kRunKey, "Zelto Activator");
    }

    // Runs the setup program silently; its exit code.
    long Install() {
        CChildProcess setup;
        EXPECT_TRUE(setup.Start(PathBesideTest("ZeltoSetup.exe"), "/S"));
        return setup.Wait(120000);
    }

    // Loads the installed page library into this process, as the shell does for a Properties sheet.
    void LoadInstalledPage() {
        HMODULE module = LoadLibraryA((installDir / "ZeltoPager.dll").string().c_str());
        ASSERT_NE(module, nullptr);
        char path[MAX_PATH] = {};
        GetModuleFileNameA(module, path, MAX_PATH);
        ASSERT_TRUE(SamePath(path, installDir / "ZeltoPager.dll")) << path;
        loaded.push_back(module);
    }
    void UnloadInstalledPage() {
        for (HMODULE module : loaded)
            FreeLibrary(module);
        loaded.clear();
    }

    // The deliverables, which the setup program packs.
    static std::vector<std::string> BuiltDeliverables() {
        return {"Zelto.exe", "ZeltoKey.dll", "ZeltoViewer.exe", "ZeltoPager.dll"};
    }
    // The values that only administrators may change, as Setup writes them: the version, where the
    // program is, its window, the test pictures.
    void ExpectProgramSettings() const {
        std::string value;
        EXPECT_TRUE(ReadRegistryString(kProductKeyPath, "Current Version", value));
        EXPECT_EQ(value, "1.0");
        const std::pair<const char*, std::string> expected[] = {
            {"Zelto Activator PathName", (installDir / "Zelto.exe").string()},
            {"Zelto Activator ClassName", "#32770"},
            {"Zelto Activator WindowName", "Zelto Activator"},
            {"Default Left Image", (installDir / "Images" / "Left.bmp").string()},
            {"Default Right Image", (installDir / "Images" / "Right.bmp").string()},
        };
        for (const auto& [name, text] : expected) {
            EXPECT_TRUE(ReadRegistryString(kDirPath, name, value)) << name;
            EXPECT_TRUE(SamePath(value, text)) << name << ": " << value;
        }
    }
    bool InstalledAsBuilt(const std::string& name) const {
        return FileBytes(installDir / name) == FileBytes(PathBesideTest(name));
    }

    fs::path installDir;
    fs::path menuDir;
    fs::path captureDir;
    std::vector<HMODULE> loaded;
};

} // namespace

TEST_F(Installer, AFreshInstallWorksForStandardUsersAndIsRemovedButForTheCapturedPictures) {
    ASSERT_EQ(Install(), 0) << "the silent installation failed";

    // The programs, byte for byte as built, and the test pictures.
    for (const std::string& name : BuiltDeliverables()) {
        ASSERT_TRUE(fs::exists(installDir / name)) << name << " is not installed";
        EXPECT_TRUE(InstalledAsBuilt(name)) << name << " differs";
    }
    for (const char* picture : {"Left.bmp", "Right.bmp"})
        EXPECT_EQ(FileBytes(installDir / "Images" / picture).substr(0, 2), "BM") << picture;
    EXPECT_TRUE(fs::exists(installDir / "Uninstall.exe"));
    // The Activator starts at every user's logon, silently installed as well.
    EXPECT_EQ(RunEntry(), '"' + (installDir / "Zelto.exe").string() + '"');

    // The settings that no program writes, and what the Activator records when it starts.
    ExpectProgramSettings();
    std::string value;
    ASSERT_TRUE(ReadRegistryString(kCapturePath, "Default Dir", value));
    ASSERT_FALSE(value.empty());
    EXPECT_EQ(value.back(), '\\');
    captureDir = value;
    EXPECT_TRUE(fs::is_directory(captureDir));
    EXPECT_TRUE(ReadRegistryString(kCapturePath, "Default Name", value));
    EXPECT_EQ(value, "Captur");
    std::uint32_t viewMode = 99;
    EXPECT_TRUE(ReadRegistryNumber(kCapturePath, "View Mode", viewMode));
    EXPECT_EQ(viewMode, 1u);

    // The local Users group may write the hotkeys and the colour codes, and nothing else (the machine's
    // capture settings are every user's defaults); keys created below them later inherit the rules.
    const DWORD write = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
    for (const std::string& key : kAdministratorsOnly) {
        EXPECT_EQ(UsersAccess(key) & KEY_READ, static_cast<DWORD>(KEY_READ)) << key;
        EXPECT_EQ(UsersAccess(key) & (write | DELETE | WRITE_DAC | WRITE_OWNER), 0u) << key;
    }
    for (const std::string& key : kEveryUser)
        EXPECT_EQ(UsersAccess(key) & write, write) << key;
    EXPECT_EQ(UsersAccess(kColorCodePath) & DELETE, static_cast<DWORD>(DELETE));

    // The shell extension, registered from its installed place.
    const std::string classKey = std::string("CLSID\\") + kPagerClsidText;
    EXPECT_EQ(fs::path(ClassesValue(classKey + "\\InProcServer32")), installDir / "ZeltoPager.dll");
    EXPECT_EQ(ClassesValue(classKey + "\\InProcServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(ClassesValue("*\\shellex\\PropertySheetHandlers\\ZeltoPager.1"), kPagerClsidText);

    // The Start-menu entries; the Activator's starts the installed program.
    EXPECT_TRUE(fs::exists(menuDir / "Zelto Viewer.lnk"));
    const std::string shortcut = (menuDir / "Zelto Activator.lnk").string();
    ASSERT_TRUE(fs::exists(shortcut));
    SHELLEXECUTEINFOA execute{};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_FLAG_NO_UI;
    execute.lpFile = shortcut.c_str();
    execute.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExA(&execute));
    HWND activator = WaitForActivator(15000);
    ASSERT_NE(activator, nullptr) << "the installed Activator did not start";
    EXPECT_EQ(fs::path(ProgramOfWindow(activator)), installDir / "Zelto.exe");
    DWORD activatorProcess = 0;
    GetWindowThreadProcessId(activator, &activatorProcess);

    {
        // A standard user: the page stores a hotkey and the Activator takes it on; the user's own capture
        // settings and the colour codes can be stored; the program's and the machine's capture settings
        // cannot be changed.
        CStandardUserScope user;
        ASSERT_TRUE(user.Active());
        CPageSheet sheet;
        ASSERT_TRUE(sheet.Open());
        // Normal: Ctrl+N, set without a key press (a key would load the installed hook library here).
        SendMessageA(sheet.PageItem(203), HKM_SETHOTKEY, MAKEWORD('N', HOTKEYF_CONTROL), 0);
        SendMessageA(sheet.PageItem(2000), BM_CLICK, 0, 0);
        SendMessageA(sheet.PageItem(2000), BM_CLICK, 0, 0);
        sheet.Press(PSBTN_APPLYNOW);
        std::uint32_t code = 0;
        EXPECT_TRUE(ReadRegistryNumber(kHotKeyPath + "\\Normal", "Virtual Key Code", code));
        EXPECT_EQ(code, static_cast<std::uint32_t>('N'));
        auto shownNormal = [&] {
            DWORD_PTR word = 0;
            SendMessageTimeoutA(GetDlgItem(activator, 1006), HKM_GETHOTKEY, 0, 0, SMTO_BLOCK, 2000, &word);
            return static_cast<unsigned>(word);
        };
        EXPECT_TRUE(WaitUntil([&] { return shownNormal() == 0x024Eu; }, 5000)) << std::hex << shownNormal();
        EXPECT_FALSE(IsWindowVisible(activator));
        sheet.Close();

        EXPECT_TRUE(WriteCaptureSettings(1, captureDir.string(), "Mine__"));
        EXPECT_TRUE(MayWrite(kColorCodePath));
        HKEY group = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kColorCodePath + "\\1").c_str(), 0, nullptr, 0,
                                  KEY_READ | KEY_WRITE, nullptr, &group, nullptr),
                  ERROR_SUCCESS);
        if (group)
            RegCloseKey(group);
        EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kColorCodePath + "\\1").c_str()), ERROR_SUCCESS);

        for (const std::string& key : kAdministratorsOnly)
            EXPECT_FALSE(MayWrite(key)) << key;
        CWindowIdentity other{"Other", "Other window"};
        EXPECT_FALSE(WriteWindowIdentity(other));
    }
    EXPECT_TRUE(ReadRegistryString(kDirPath, "Zelto Activator WindowName", value));
    EXPECT_EQ(value, "Zelto Activator");
    // A user who chose nothing uses the machine's defaults.
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Korva Corporation");

    // Settings... shows the default folder and name, View shows the pictures there, and OK unchanged
    // stores settings under which the next capture has a name.
    const fs::path picture = captureDir / "Captur00.jps";
    ASSERT_TRUE(display_testing::WritePairFile(picture.string(), 64, 32, RGB(200, 0, 0), RGB(0, 0, 200)));
    PostMessageA(activator, WM_COMMAND, 1015, 0);
    HWND settings = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            settings = FindWindowA("#32770", "Capture Settings");
            return settings && IsWindowVisible(settings);
        },
        5000));
    EXPECT_TRUE(SamePath(ControlText(settings, 1066), captureDir));
    EXPECT_EQ(ControlText(settings, 1068), "Captur");
    PostMessageA(settings, WM_COMMAND, 1069, 0);
    HWND browser = nullptr;
    EXPECT_TRUE(WaitUntil(
        [&] {
            return (browser = OtherWindowOf(activatorProcess, {activator, settings}));
        },
        10000))
        << "View showed nothing";
    // The browser takes keys once its opening flashes are over.
    for (int attempt = 0; browser && IsWindow(browser) && attempt < 20; ++attempt) {
        PostMessageA(browser, WM_KEYDOWN, VK_ESCAPE, 1);
        WaitUntil([&] { return !IsWindow(browser); }, 500);
    }
    EXPECT_FALSE(browser && IsWindow(browser)) << "the browser did not close";
    PostMessageA(settings, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(settings); }, 5000));
    EXPECT_TRUE(ReadRegistryString(kUserCapturePath, "Dir", value));
    EXPECT_TRUE(SamePath(value, captureDir));
    EXPECT_TRUE(ReadRegistryString(kUserCapturePath, "Name", value));
    EXPECT_EQ(value, "Captur");
    {
        // The reservation goes with its handle: nothing is left behind.
        CCaptureFile next;
        std::int32_t capturedMode = -1;
        EXPECT_EQ(MakeCaptureFileName(next, capturedMode), 1);
        EXPECT_TRUE(SamePath(next.Path(), captureDir / "Captur01.jps")) << next.Path();
        EXPECT_EQ(capturedMode, 1);
    }

    // "Open with" offers the viewer for .jps, .mpo and .pns files without taking them from their programs,
    // and opens the picture as Explorer does.
    EXPECT_EQ(ClassesValue(".jps"), kOtherJpsProgram);
    EXPECT_EQ(ClassesValue(".mpo"), "<missing>");
    for (const char* type : {".jps", ".mpo", ".pns"}) {
        EXPECT_TRUE(ClassesValueExists(std::string(type) + "\\OpenWithProgids", kViewerProgId)) << type;
        EXPECT_TRUE(ClassesValueExists(std::string(kViewerApplication) + "\\SupportedTypes", type)) << type;
    }
    const std::string command = "\"" + (installDir / "ZeltoViewer.exe").string() + "\" \"%1\"";
    EXPECT_EQ(ClassesValue(std::string(kViewerProgId) + "\\shell\\open\\command"), command);
    EXPECT_EQ(ClassesValue(std::string(kViewerApplication) + "\\shell\\open\\command"), command);
    {
        display_testing::CTempDirectory pictures("zelto opened");
        const std::string picture = pictures.path() + "camera picture.mpo";
        ASSERT_TRUE(display_testing::WriteFileBytes(
            picture, display_testing::MultiPictureBytes(64, 48, {RGB(200, 0, 0), RGB(0, 0, 200)})));
        SHELLEXECUTEINFOA open{};
        open.cbSize = sizeof open;
        open.fMask = SEE_MASK_CLASSNAME | SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
        open.lpClass = kViewerProgId;
        open.lpFile = picture.c_str();
        open.nShow = SW_SHOWNORMAL;
        ASSERT_TRUE(ShellExecuteExA(&open));
        ASSERT_NE(open.hProcess, nullptr);
        HWND viewer = nullptr;
        EXPECT_TRUE(WaitUntil(
            [&] {
                viewer = FindWindowA(nullptr, "camera picture.mpo   1 / 1 - Zelto Viewer");
                return viewer != nullptr;
            },
            15000))
            << "the viewer did not show the picture";
        if (viewer)
            PostMessageA(viewer, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForSingleObject(open.hProcess, 10000), WAIT_OBJECT_0);
        CloseHandle(open.hProcess);
    }

    // The silent uninstallation, which runs on from a copy of itself.
    CChildProcess uninstall;
    ASSERT_TRUE(uninstall.Start((installDir / "Uninstall.exe").string(), "/S"));
    EXPECT_TRUE(WaitUntil([&] { return !fs::exists(installDir); }, 60000)) << "the program folder stays";
    EXPECT_TRUE(WaitUntil(
        [] {
            return !RegistryKeyExists(
                "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zelto Activator");
        },
        10000));

    EXPECT_FALSE(IsWindow(activator)) << "the running Activator was not ended";
    EXPECT_FALSE(RegistryKeyExists("Software\\Korva Corporation"));
    EXPECT_EQ(RunEntry(), "<missing>");
    EXPECT_FALSE(ClassesKeyExists(classKey));
    EXPECT_FALSE(ClassesKeyExists("ZeltoPager.1"));
    EXPECT_FALSE(ClassesKeyExists("*\\shellex\\PropertySheetHandlers\\ZeltoPager.1"));
    EXPECT_FALSE(ClassesKeyExists("*\\shellex\\ContextMenuHandlers\\ZeltoPager.1"));
    EXPECT_EQ(ClassesValue(".jps"), kOtherJpsProgram);
    EXPECT_FALSE(ClassesKeyExists(".jps\\OpenWithProgids"));
    EXPECT_FALSE(ClassesKeyExists(".mpo"));
    EXPECT_FALSE(ClassesKeyExists(".pns"));
    EXPECT_FALSE(ClassesKeyExists(kViewerProgId));
    EXPECT_FALSE(ClassesKeyExists(kViewerApplication));
    EXPECT_FALSE(fs::exists(menuDir));
    EXPECT_TRUE(fs::exists(picture)) << "a captured picture was removed";
    for (const auto& [file, newName] : PendingFileOperations())
        EXPECT_FALSE(SamePath(file.parent_path(), installDir)) << file << " waits for a restart";
}

TEST_F(Installer, UpgradesAndReinstallationsLoseNothingAndStartTheActivatorOnlyWithItsOwnFiles) {
    ASSERT_EQ(Install(), 0);
    std::string value;
    ASSERT_TRUE(ReadRegistryString(kCapturePath, "Default Dir", value));
    captureDir = value;

    // An earlier build: files that differ from this build's, its Activator running and its page
    // library loaded by a program.
    for (const std::string& name : BuiltDeliverables())
        std::ofstream(installDir / name, std::ios::binary | std::ios::app) << "an earlier build";
    CChildProcess earlier;
    ASSERT_TRUE(earlier.Start((installDir / "Zelto.exe").string()));
    ASSERT_NE(WaitForActivator(), nullptr);
    LoadInstalledPage();

    // The settings as an earlier version left them: every key open to the local Users group, values
    // that someone changed to name other programs and windows, and capture settings for everyone.
    for (const std::string& key : {std::string(kProductKeyPath), kVersionPath, kDirPath, kCapturePath})
        SetAccessRules(key, "D:(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;0x2001f;;;BU)");
    {
        CStandardUserScope user;
        ASSERT_TRUE(user.Active());
        EXPECT_TRUE(MayWrite(kDirPath)) << "the earlier rules were not set";
    }
    WriteRegistryString(kDirPath, "Zelto Activator PathName", PathBesideTest("zelto_marker.exe"));
    WriteRegistryString(kDirPath, "Zelto Activator WindowName", "Some other window");
    WriteRegistryString(kProductKeyPath, "Current Version", "6.6");
    const std::string earlierDir = "C:\\Earlier\\";
    WriteRegistryNumber(kCapturePath, "View Mode", 3);
    WriteRegistryString(kCapturePath, "Dir", earlierDir);
    WriteRegistryString(kCapturePath, "Name", "Old___");

    EXPECT_EQ(Install(), kRestartNeeded) << "Setup did not say that a restart is needed";

    // The page library waits for the restart; the programs were free and are replaced.
    EXPECT_FALSE(InstalledAsBuilt("ZeltoPager.dll"));
    EXPECT_TRUE(IsPending(installDir / "ZeltoPager.dll.new", installDir / "ZeltoPager.dll"));
    EXPECT_TRUE(FileBytes(installDir / "ZeltoPager.dll.new") == FileBytes(PathBesideTest("ZeltoPager.dll")));
    for (const char* name : {"Zelto.exe", "ZeltoViewer.exe"}) {
        EXPECT_TRUE(InstalledAsBuilt(name)) << name;
        EXPECT_FALSE(IsPending(installDir / (std::string(name) + ".new"), installDir / name)) << name;
    }
    // The hook library is free once the programs the hook reached have let go of it.
    EXPECT_TRUE(InstalledAsBuilt("ZeltoKey.dll") ||
                IsPending(installDir / "ZeltoKey.dll.new", installDir / "ZeltoKey.dll"));
    // The Activator was ended and, its library waiting, not started again.
    EXPECT_EQ(earlier.Wait(5000), 0) << "the running Activator was not ended";
    EXPECT_EQ(WaitForActivator(3000), nullptr) << "started before its library was replaced";

    // The earlier rules and values are taken back; the capture settings stay, as everyone's defaults.
    ExpectProgramSettings();
    CCaptureSettings capture;
    ReadCaptureSettings(capture);
    EXPECT_EQ(capture.viewMode, 3);
    EXPECT_EQ(capture.dir, earlierDir);
    EXPECT_EQ(capture.name, "Old___");
    {
        CStandardUserScope user;
        ASSERT_TRUE(user.Active());
        for (const std::string& key : kAdministratorsOnly)
            EXPECT_FALSE(MayWrite(key)) << key;
        for (const std::string& key : kEveryUser)
            EXPECT_TRUE(MayWrite(key)) << key;
    }

    // The restart puts the new library in place, and the logon after it starts the Activator, hidden.
    UnloadInstalledPage();
    Restart();
    for (const std::string& name : BuiltDeliverables())
        EXPECT_TRUE(InstalledAsBuilt(name)) << name << " after the restart";
    EXPECT_FALSE(fs::exists(installDir / "ZeltoPager.dll.new"));
    EXPECT_FALSE(IsPending(installDir / "ZeltoPager.dll.new", installDir / "ZeltoPager.dll"));
    Restart("");
    HWND activator = WaitForActivator();
    ASSERT_NE(activator, nullptr) << "the Activator did not start at the logon";
    EXPECT_EQ(fs::path(ProgramOfWindow(activator)), installDir / "Zelto.exe");
    EXPECT_FALSE(IsWindowVisible(activator));

    // With no file in use, an upgrade ends the running Activator and starts it again.
    EXPECT_EQ(Install(), 0);
    EXPECT_FALSE(IsWindow(activator)) << "the running Activator was not ended";
    activator = WaitForActivator();
    ASSERT_NE(activator, nullptr) << "the Activator was not started again";
    EXPECT_EQ(fs::path(ProgramOfWindow(activator)), installDir / "Zelto.exe");

    // The uninstaller (run in place, to be waited for) leaves the loaded page library to the restart.
    // Setup runs again before it, the library free by then: the restart leaves every new file in place,
    // and the Activator does not start before it.
    LoadInstalledPage();
    CChildProcess uninstall;
    ASSERT_TRUE(uninstall.Start((installDir / "Uninstall.exe").string(), "/S _?=" + installDir.string()));
    EXPECT_EQ(uninstall.Wait(60000), kRestartNeeded);
    EXPECT_TRUE(IsPending(installDir / "ZeltoPager.dll", {}));
    for (const char* name : {"Zelto.exe", "ZeltoKey.dll", "ZeltoViewer.exe"})
        EXPECT_FALSE(fs::exists(installDir / name)) << name;
    UnloadInstalledPage();
    CChildProcess other;
    ASSERT_NE(StartActivator(other), nullptr);
    EXPECT_EQ(Install(), kRestartNeeded);
    EXPECT_EQ(other.Wait(5000), 0) << "the running Activator was not ended";
    EXPECT_EQ(WaitForActivator(3000), nullptr) << "started before its library was replaced";
    EXPECT_TRUE(IsPending(installDir / "ZeltoPager.dll.new", installDir / "ZeltoPager.dll"));
    Restart();
    for (const std::string& name : BuiltDeliverables())
        EXPECT_TRUE(InstalledAsBuilt(name)) << name << " after the restart";
    EXPECT_FALSE(fs::exists(installDir / "ZeltoPager.dll.new"));

    ASSERT_TRUE(uninstall.Start((installDir / "Uninstall.exe").string(), "/S _?=" + installDir.string()));
    EXPECT_EQ(uninstall.Wait(60000), 0);
    EXPECT_EQ(RunEntry(), "<missing>");
}
