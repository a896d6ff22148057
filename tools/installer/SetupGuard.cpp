// Setup's guard, run by ZeltoSetup.exe from its temporary folder before it copies a file or writes a
// setting; each line it prints goes to Setup's "Show details".
//
//   SetupGuard folder <install folder>   makes the folder the administrators' (SecureInstallFolder)
//   SetupGuard settings                  takes the machine's settings tree back for administrators
//                                        (KeyGuard.h) and vets what others could have changed in it
//                                        (SettingsVetting.h)
//
// Exit code 0 when all of it was done; 1 when something could not be (Setup then stops), 2 for a
// command it does not know.

#include "settings/RegistryNames.h"
#include "tools/installer/GuardSecurity.h"
#include "tools/installer/KeyGuard.h"
#include "tools/installer/SettingsVetting.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void Print(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::string PublicPictures() {
    wchar_t* folder = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_PublicPictures, KF_FLAG_DONT_VERIFY, nullptr, &folder)))
        path = folder;
    CoTaskMemFree(folder);
    return Narrow(path);
}

int SecureFolder(const std::wstring& folder) {
    std::string problem;
    if (!SecureInstallFolder(folder, problem)) {
        Print("Setup cannot install into " + Narrow(folder) + ": " + problem + ".");
        return 1;
    }
    Print("Only administrators may change " + Narrow(folder) + " and the files in it.");
    return 0;
}

int SecureSettings() {
    const std::string product = "Software\\" + kMakerKey.Load() + "\\" + kProductKey.Load();
    // The keys that Setup writes its values into.
    const std::string version = kSettingsVersion;
    const std::string made[] = {version, version + "\\" + kDirName.Load(),
                                version + "\\" + kCaptureKey.Load()};
    std::vector<std::wstring> wideMade;
    for (const std::string& path : made)
        wideMade.emplace_back(path.begin(), path.end());
    const CKeyGuardReport report = SecureSettingsTree(std::wstring(product.begin(), product.end()), wideMade);
    for (const std::string& line : report.lines)
        Print(line);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, product.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        for (const std::string& line : RemovePublicCaptureDefault(key, PublicPictures()))
            Print(line);
        for (const std::string& line : VetOpenSettings(key, report))
            Print(line);
        RegCloseKey(key);
    }
    if (!report.complete)
        return 1;
    Print("Only administrators may change the settings of the machine; each user's own are that user's.");
    return 0;
}

} // namespace

int main() {
    // Setup runs it from its temporary folder: libraries come from the system's folder.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::vector<std::wstring> words(arguments, arguments + (arguments ? count : 0));
    LocalFree(arguments);
    if (!EnableRecoveryPrivileges())
        Print("Setup lacks an administrator's privileges: what shuts administrators out stays so.");
    if (words.size() == 3 && words[1] == L"folder")
        return SecureFolder(words[2]);
    if (words.size() == 2 && words[1] == L"settings")
        return SecureSettings();
    Print("Usage: SetupGuard folder <install folder> | SetupGuard settings");
    return 2;
}
