// The setup program under Wine, by scenario. A fresh install puts the deliverables, the settings, the
// shell extension, the viewer in "Open with" of stereo pictures, the Start-menu entries and the start at
// logon in place, makes every key of the machine's settings the administrators', and leaves each user's
// own choices to that user; the uninstaller takes all of it away but the captured pictures and the file
// types' own programs. An upgrade over a running Activator and a loaded page library replaces what it
// can, leaves the rest to the next restart, starts the Activator only with its own files, and takes back
// what an earlier version left open, vetting the values that standard users could change; a
// reinstallation loses nothing either. (The install folder's access rules cannot be seen under Wine,
// which keeps none for files: SetupGuard sets them, as tools/installer/ shows.)

#include "keyhook/CaptureFileName.h"
#include "settings/CaptureSettings.h"
#include "settings/HotKeySettings.h"
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
const std::string kUserHotKeyPath = std::string(kUserProductKeyPath) + "\\1.0\\HotKey";
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

// The owner and the access rules of a key of HKEY_LOCAL_MACHINE, as SDDL text.
std::string KeyRules(const std::string& keyPath) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::string name = "MACHINE\\" + keyPath;
    const SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    if (GetNamedSecurityInfoA(name.c_str(), SE_REGISTRY_KEY, parts, nullptr, nullptr, nullptr, nullptr,
                              &descriptor) != ERROR_SUCCESS)
        return "(unreadable)";
    char* text = nullptr;
    ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, parts, &text, nullptr);
    std::string rules = text ? text : "(none)";
    LocalFree(text);
    LocalFree(descriptor);
    return rules;
}

// Gives the key (made if need be) the access rules, and the owner where given, written as `sddl`.
void SetKeyRules(const std::string& keyPath, const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(
        ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr));
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const SECURITY_INFORMATION parts =
        DACL_SECURITY_INFORMATION | (sddl[0] == 'O' ? OWNER_SECURITY_INFORMATION : 0);
    EXPECT_EQ(RegSetKeySecurity(key, parts, descriptor), ERROR_SUCCESS) << keyPath;
    RegCloseKey(key);
    LocalFree(descriptor);
}

// Whether this thread may open the key for `access`: KEY_SET_VALUE to write a value, KEY_CREATE_SUB_KEY
// to make a subkey (Wine checks that right when the key is opened, not when RegCreateKeyEx makes one).
bool MayOpen(const std::string& keyPath, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, access, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}
bool MayWrite(const std::string& keyPath) {
    return MayOpen(keyPath, KEY_SET_VALUE);
}

// Every key of the product's tree, links themselves included and never followed.
std::vector<std::string> ProductKeys(const std::string& keyPath = kProductKeyPath) {
    std::vector<std::string> keys{keyPath};
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), REG_OPTION_OPEN_LINK, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return keys;
    char name[256];
    DWORD length = sizeof name;
    for (DWORD i = 0;
         RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = sizeof name) {
        const std::vector<std::string> below = ProductKeys(keyPath + "\\" + name);
        keys.insert(keys.end(), below.begin(), below.end());
    }
    RegCloseKey(key);
    return keys;
}

// Every key of the machine's settings is owned by the Administrators and has no entry inherited from
// above: SYSTEM and Administrators have full control, Users read. A standard user can neither write a
// value nor make a subkey in any of them.
void ExpectAdministratorsOnly() {
    const std::vector<std::string> keys = ProductKeys();
    EXPECT_GE(keys.size(), 4u);
    for (const std::string& key : keys)
        EXPECT_EQ(KeyRules(key), "O:BAD:P(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KR;;;BU)") << key;
    CStandardUserScope user;
    ASSERT_TRUE(user.Active());
    for (const std::string& key : keys) {
        EXPECT_FALSE(MayWrite(key)) << key;
        EXPECT_FALSE(MayOpen(key, KEY_CREATE_SUB_KEY)) << key;
    }
}

// Runs `program` and gives what it printed; `exitCode` gets its exit code (-1 when it did not end).
std::string RunAndRead(const std::string& program, const std::string& arguments, long& exitCode) {
    exitCode = -1;
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0))
        return {};
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + program + "\" " + arguments;
    const bool started = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    std::string output;
    char buffer[4096];
    DWORD read = 0;
    while (started && ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read > 0)
        output.append(buffer, read);
    CloseHandle(readEnd);
    if (started) {
        DWORD code = 0;
        if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(process.hProcess, &code))
            exitCode = static_cast<long>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return output;
}

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
    // No capture folder for everyone: each user's captures go to their own Pictures.
    std::string value;
    EXPECT_FALSE(ReadRegistryString(kCapturePath, "Default Dir", value));
    EXPECT_FALSE(fs::exists(fs::path(KnownFolder(CSIDL_COMMON_PICTURES)) / "Zelto Captures"));
    captureDir = KnownFolder(CSIDL_MYPICTURES) + "\\Zelto Captures\\";
    EXPECT_TRUE(ReadRegistryString(kCapturePath, "Default Name", value));
    EXPECT_EQ(value, "Captur");
    std::uint32_t viewMode = 99;
    EXPECT_TRUE(ReadRegistryNumber(kCapturePath, "View Mode", viewMode));
    EXPECT_EQ(viewMode, 1u);

    ExpectAdministratorsOnly();

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
        // A standard user: the page stores a hotkey for that user and the user's Activator takes it on;
        // the user's own capture settings and window record can be stored, the machine's cannot.
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
        EXPECT_TRUE(ReadRegistryNumber(kUserHotKeyPath + "\\Normal", "Virtual Key Code", code));
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
        EXPECT_TRUE(WriteWindowIdentity(CWindowIdentity{"Other", "Other window"}));
    }
    EXPECT_TRUE(ReadRegistryString(kDirPath, "Zelto Activator WindowName", value));
    EXPECT_EQ(value, "Zelto Activator");
    {
        // Another user, who chose nothing, has the built-in hotkeys: Shift+F12 for Normal.
        HKEY other = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Zelto Other User", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &other, nullptr);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, other), ERROR_SUCCESS);
        RegCloseKey(other);
        CHotKeys hotKeys = kBuiltInHotKeys;
        ReadHotKeys(hotKeys);
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Zelto Other User");
        EXPECT_EQ(hotKeys[kHotKeyNormal], (CHotKey{VK_F12, HOTKEYF_SHIFT}))
            << "one user's hotkey reached another";
    }
    // A user who chose nothing uses the machine's defaults.
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Korva Corporation");

    // Settings... shows the default folder and name, View shows the pictures there, and OK unchanged
    // stores settings under which the next capture has a name.
    const fs::path picture = captureDir / "Captur00.jps";
    fs::create_directories(captureDir);
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
    // Appended piece by piece: GCC 12 mistakes `"..." + string&&` here for an overlapping copy.
    const std::string command =
        std::string("\"").append((installDir / "ZeltoViewer.exe").string()).append("\" \"%1\"");
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
    // An earlier build: files that differ from this build's, its Activator running and its page
    // library loaded by a program.
    for (const std::string& name : BuiltDeliverables())
        std::ofstream(installDir / name, std::ios::binary | std::ios::app) << "an earlier build";
    CChildProcess earlier;
    ASSERT_TRUE(earlier.Start((installDir / "Zelto.exe").string()));
    ASSERT_NE(WaitForActivator(), nullptr);
    LoadInstalledPage();

    // The settings as an earlier version left them: every key open to the local Users group, values
    // that someone changed to name other programs and windows, capture settings for everyone in the
    // public Pictures, and what a standard user made of it: a hotkey on a typing key, a colour-code
    // group that is that user's own key, a registry link below it, test pictures on another host.
    const std::string open = "D:(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;0x2001f;;;BU)";
    for (const std::string& key :
         {std::string(kProductKeyPath), kVersionPath, kDirPath, kCapturePath, kHotKeyPath, kColorCodePath})
        SetKeyRules(key, open.c_str());
    WriteRegistryString(kDirPath, "Zelto Activator PathName", PathBesideTest("zelto_marker.exe"));
    WriteRegistryString(kDirPath, "Zelto Activator WindowName", "Some other window");
    WriteRegistryString(kProductKeyPath, "Current Version", "6.6");
    const std::string earlierDir = "C:\\Earlier\\";
    WriteRegistryNumber(kCapturePath, "View Mode", 3);
    WriteRegistryString(kCapturePath, "Dir", earlierDir);
    WriteRegistryString(kCapturePath, "Name", "Old___");
    const fs::path publicCaptures = fs::path(KnownFolder(CSIDL_COMMON_PICTURES)) / "Zelto Captures";
    fs::create_directories(publicCaptures);
    std::ofstream(publicCaptures / "Captur00.jps") << "a picture";
    WriteRegistryString(kCapturePath, "Default Dir", publicCaptures.string() + "\\");
    const std::string userGroup = kColorCodePath + "\\1";
    const std::string linkTarget = "Software\\Zelto Link Target";
    WriteRegistryString(linkTarget, "Kept", "yes");
    {
        CStandardUserScope user;
        ASSERT_TRUE(user.Active());
        ASSERT_TRUE(MayWrite(kDirPath)) << "the earlier rules were not set";
        WriteRegistryNumber(kHotKeyPath + "\\Capture", "Virtual Key Code", 'E');
        WriteRegistryNumber(kHotKeyPath + "\\Capture", "Modifiers", 0);
        WriteRegistryNumber(kHotKeyPath + "\\Normal", "Virtual Key Code", VK_F12);
        WriteRegistryNumber(kHotKeyPath + "\\Normal", "Modifiers", HOTKEYF_CONTROL);
        WriteRegistryString(kDirPath, "Left Image", "\\\\host\\share\\left.bmp");
        WriteRegistryString(kDirPath, "Right Image", "C:\\Pictures\\right.bmp");
        WriteRegistryString(userGroup, "Name", "Mine");
    }
    SetKeyRules(userGroup,
                (std::string("O:S-1-5-21-1-2-3-1001") + open + "(A;CI;KA;;;S-1-5-21-1-2-3-1001)").c_str());
    HKEY link = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE,
                              L"Software\\Korva Corporation\\Zelto Activator\\1.0\\Color Code\\1\\Away", 0,
                              nullptr, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr,
                              &link, nullptr),
              ERROR_SUCCESS);
    const wchar_t target[] = L"\\Registry\\Machine\\Software\\Zelto Link Target";
    RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target),
                   sizeof target - sizeof(wchar_t));
    RegCloseKey(link);

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

    // The earlier rules and owners are taken back, the link deleted (what it named stays), and the
    // values that standard users could change kept only where the dialogs would have accepted them:
    // the capture settings on a local drive, as everyone's defaults, a hotkey with Ctrl, the group;
    // not a typing key nor a picture on another host. The public default folder is no longer the
    // default, and keeps its pictures.
    ExpectProgramSettings();
    ExpectAdministratorsOnly();
    std::string value;
    EXPECT_FALSE(RegistryKeyExists(userGroup + "\\Away")) << "the link stays";
    EXPECT_TRUE(ReadRegistryString(linkTarget, "Kept", value));
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, linkTarget.c_str());
    CCaptureSettings capture;
    ReadCaptureSettings(capture);
    EXPECT_EQ(capture.viewMode, 3);
    EXPECT_EQ(capture.dir, earlierDir);
    EXPECT_EQ(capture.name, "Old___");
    EXPECT_FALSE(ReadRegistryString(kCapturePath, "Default Dir", value));
    EXPECT_TRUE(fs::exists(publicCaptures / "Captur00.jps"));
    fs::remove_all(publicCaptures);
    std::uint32_t number = 0;
    EXPECT_FALSE(ReadRegistryNumber(kHotKeyPath + "\\Capture", "Virtual Key Code", number));
    EXPECT_FALSE(ReadRegistryNumber(kHotKeyPath + "\\Capture", "Modifiers", number));
    EXPECT_TRUE(ReadRegistryNumber(kHotKeyPath + "\\Normal", "Modifiers", number) &&
                number == HOTKEYF_CONTROL);
    EXPECT_FALSE(ReadRegistryString(kDirPath, "Left Image", value));
    EXPECT_TRUE(ReadRegistryString(kDirPath, "Right Image", value));
    EXPECT_TRUE(ReadRegistryString(userGroup, "Name", value) && value == "Mine");

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

    // With no file in use, an upgrade ends the running Activator and starts it again. What an
    // administrator set where only administrators could stays as it is: a folder on a share.
    WriteRegistryString(kCapturePath, "Dir", "\\\\server\\share\\Shots\\");
    EXPECT_EQ(Install(), 0);
    EXPECT_TRUE(ReadRegistryString(kCapturePath, "Dir", value));
    EXPECT_EQ(value, "\\\\server\\share\\Shots\\");
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

// Setup's guard, run as Setup runs it: what it prints goes to Setup's details.
TEST_F(Installer, TheGuardListsEachValueItReplacesAndTakesOnlyAFolderOfItsOwn) {
    // Keys that standard users could change, as an earlier version left them, and what they put there.
    const char* open = "D:(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;0x2001f;;;BU)";
    for (const std::string& key : {std::string(kProductKeyPath), kVersionPath, kCapturePath, kHotKeyPath,
                                   kHotKeyPath + "\\Page Flip", kColorCodePath})
        SetKeyRules(key, open);
    WriteRegistryNumber(kHotKeyPath + "\\Page Flip", "Virtual Key Code", VK_SPACE);
    WriteRegistryNumber(kHotKeyPath + "\\Page Flip", "Modifiers", HOTKEYF_SHIFT);
    WriteRegistryString(kCapturePath, "Dir", "\\\\host\\share\\");
    WriteRegistryString(kCapturePath, "Name", "NUL.__");
    WriteRegistryNumber(kColorCodePath, "Number", 9);
    const std::string guard = PathBesideTest("SetupGuard.exe");
    long exitCode = -1;
    std::string printed = RunAndRead(guard, "settings", exitCode);
    EXPECT_EQ(exitCode, 0) << printed;
    for (const char* line :
         {"Replaced 1.0\\HotKey\\Page Flip \"Virtual Key Code\" = 32, \"Modifiers\" = 1 (a typing key "
          "without "
          "Ctrl or Alt) with Setup's default.",
          "Replaced 1.0\\Capture \"Dir\" = \"\\\\host\\share\\\" (no folder on a local fixed drive) with "
          "Setup's "
          "default.",
          "Replaced 1.0\\Capture \"Name\" = \"NUL.__\" (no name of captures) with Setup's default.",
          "Replaced 1.0\\Color Code \"Number\" = 9 (not what the colour-code editor stores) with Setup's "
          "default."})
        EXPECT_NE(printed.find(line), std::string::npos) << line << "\nprinted:\n" << printed;
    // The keys are the administrators' now: a second run has nothing to replace.
    printed = RunAndRead(guard, "settings", exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(printed.find("Replaced"), std::string::npos) << printed;

    // A new folder, or one of an earlier installation; never a drive's root or a folder of other files.
    display_testing::CTempDirectory place("zelto guard");
    const fs::path fresh = fs::path(place.path()) / "new" / "Zelto";
    const fs::path earlier = fs::path(place.path()) / "earlier";
    fs::create_directories(earlier);
    std::ofstream(earlier / "Zelto.exe") << "an earlier build";
    std::ofstream(earlier / "Notes.txt") << "kept";
    struct Case {
        fs::path folder;
        long exitCode;
    };
    for (const Case& c : {Case{fresh, 0}, Case{earlier, 0}, Case{fs::path(place.path()) / "new", 1},
                          Case{fs::path("C:\\"), 1}}) {
        // A backslash before the closing quote is doubled, or it would escape the quote.
        std::string folder = c.folder.string();
        if (folder.back() == '\\')
            folder += '\\';
        printed = RunAndRead(guard, "folder \"" + folder + "\"", exitCode);
        EXPECT_EQ(exitCode, c.exitCode) << c.folder << ": " << printed;
    }
    EXPECT_TRUE(fs::is_directory(fresh));
    EXPECT_NE(printed.find("Setup cannot install into C:\\: "), std::string::npos) << printed;
    fs::remove_all(fs::path(place.path()) / "new");
    fs::remove_all(earlier);
}
