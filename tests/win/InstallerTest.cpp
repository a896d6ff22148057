// The setup program under Wine: a silent installation puts the deliverables, the settings, the shell
// extension and the Start-menu entries in place, and the silent uninstallation takes them away again
// but the captured pictures.

#include "tests/support/WineTestSupport.h"
#include "tests/win/PagerTestSupport.h"

#include <aclapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

const std::string kVersionPath = std::string(kProductKeyPath) + "\\1.0";

std::string KnownFolder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string FileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The access that the key's DACL grants BUILTIN\Users through entries that subkeys inherit (or
// inherited), 0 when none.
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
    }
    void TearDown() override {
        EndRunningActivator();
        std::error_code ignored;
        fs::remove_all(installDir, ignored);
        fs::remove_all(menuDir, ignored);
        if (!captureDir.empty())
            fs::remove_all(captureDir, ignored);
        DeleteProductTree();
    }

    // The deliverables, which the setup program packs.
    static std::vector<std::string> BuiltDeliverables() {
        return {"Zelto.exe", "ZeltoKey.dll", "ZeltoViewer.exe", "ZeltoPager.dll"};
    }

    fs::path installDir;
    fs::path menuDir;
    fs::path captureDir;
};

} // namespace

TEST_F(Installer, InstallsSilentlyAndUninstallsAllButTheCapturedPictures) {
    CChildProcess setup;
    ASSERT_TRUE(setup.Start(PathBesideTest("ZeltoSetup.exe"), "/S"));
    ASSERT_EQ(setup.Wait(120000), 0) << "the silent installation failed";

    // The programs, byte for byte as built, and the test pictures.
    for (const std::string& name : BuiltDeliverables()) {
        ASSERT_TRUE(fs::exists(installDir / name)) << name << " is not installed";
        EXPECT_TRUE(FileBytes(installDir / name) == FileBytes(PathBesideTest(name))) << name << " differs";
    }
    for (const char* picture : {"Left.bmp", "Right.bmp"})
        EXPECT_EQ(FileBytes(installDir / "Images" / picture).substr(0, 2), "BM") << picture;
    EXPECT_TRUE(fs::exists(installDir / "Uninstall.exe"));

    // The settings that no program writes.
    std::string value;
    EXPECT_TRUE(ReadRegistryString(kProductKeyPath, "Current Version", value));
    EXPECT_EQ(value, "1.0");
    EXPECT_TRUE(ReadRegistryString(kVersionPath + "\\Dir", "Zelto Activator PathName", value));
    EXPECT_EQ(fs::path(value), installDir / "Zelto.exe");
    EXPECT_TRUE(ReadRegistryString(kVersionPath + "\\Dir", "Default Left Image", value));
    EXPECT_EQ(fs::path(value), installDir / "Images" / "Left.bmp");
    EXPECT_TRUE(ReadRegistryString(kVersionPath + "\\Dir", "Default Right Image", value));
    EXPECT_EQ(fs::path(value), installDir / "Images" / "Right.bmp");
    ASSERT_TRUE(ReadRegistryString(kVersionPath + "\\Capture", "Default Dir", value));
    ASSERT_FALSE(value.empty());
    EXPECT_EQ(value.back(), '\\');
    captureDir = value;
    EXPECT_TRUE(fs::is_directory(captureDir));
    EXPECT_TRUE(ReadRegistryString(kVersionPath + "\\Capture", "Default Name", value));
    EXPECT_EQ(value, "Captur");

    // The local Users group may write the settings. (Windows hands the entry down to the keys below;
    // Wine does not, so only the product key is looked at.)
    const DWORD write = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
    EXPECT_EQ(UsersAccess(kProductKeyPath) & write, write);

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
    HWND activator = WaitForWindow("#32770", "Zelto Activator", 15000);
    ASSERT_NE(activator, nullptr) << "the installed Activator did not start";
    EXPECT_EQ(fs::path(ProgramOfWindow(activator)), installDir / "Zelto.exe");

    // A captured picture, then the silent uninstallation (which runs on from a copy of itself).
    const fs::path picture = captureDir / "Captur00.jps";
    std::ofstream(picture, std::ios::binary) << "picture";
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
    EXPECT_FALSE(ClassesKeyExists(classKey));
    EXPECT_FALSE(ClassesKeyExists("ZeltoPager.1"));
    EXPECT_FALSE(ClassesKeyExists("*\\shellex\\PropertySheetHandlers\\ZeltoPager.1"));
    EXPECT_FALSE(ClassesKeyExists("*\\shellex\\ContextMenuHandlers\\ZeltoPager.1"));
    EXPECT_FALSE(fs::exists(menuDir));
    EXPECT_EQ(FileBytes(picture), "picture") << "a captured picture was removed";
}
