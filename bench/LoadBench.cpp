// Prints how long ZeltoKey.dll takes to load and unload against an empty library built the same way
// (goal: at most 1.5 times), and the DLLs it imports: only system DLLs that every program reading the
// keyboard already has (kernel32, user32, gdi32, advapi32 and the C runtime), no COM or codec DLL.

#include "bench/BenchClock.h"
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Beside(const char* name) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of("\\/") + 1) + name;
}

// Microseconds to load and to unload `path` once; negative when it does not load.
bool LoadOnce(const std::string& path, double& load, double& unload) {
    double start = NowMicroseconds();
    HMODULE module = LoadLibraryA(path.c_str());
    double loaded = NowMicroseconds();
    if (!module)
        return false;
    FreeLibrary(module);
    load = loaded - start;
    unload = NowMicroseconds() - loaded;
    return true;
}

struct CTimes {
    std::vector<double> loads;
    std::vector<double> unloads;

    double Median(std::vector<double>& values) const {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    }
};

// The names of the DLLs that the loaded `module` imports, from its import directory.
std::vector<std::string> ImportsOf(HMODULE module) {
    std::vector<std::string> names;
    auto* base = reinterpret_cast<const BYTE*>(module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return names;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         entry->Name; ++entry)
        names.emplace_back(reinterpret_cast<const char*>(base + entry->Name));
    return names;
}

} // namespace

int main() {
    // What every program that reads the keyboard has loaded already.
    GetKeyState(VK_SHIFT);
    GetStockObject(BLACK_PEN);
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key);
    RegCloseKey(key);

    const std::string hookPath = Beside("ZeltoKey.dll");
    const std::string emptyPath = Beside("bench_empty.dll");
    // The two alternate, so that a busy machine slows both alike; medians and minima over the rounds.
    const int rounds = 400;
    CTimes empty, hook;
    for (int i = 0; i < rounds + 20; ++i) {
        double load = 0, unload = 0;
        for (auto [path, times] : {std::pair{&emptyPath, &empty}, std::pair{&hookPath, &hook}}) {
            if (!LoadOnce(*path, load, unload)) {
                std::printf("%s did not load\n", path->c_str());
                return 1;
            }
            if (i >= 20) { // the first rounds warm the file cache
                times->loads.push_back(load);
                times->unloads.push_back(unload);
            }
        }
    }
    const double emptyLoad = empty.Median(empty.loads), hookLoad = hook.Median(hook.loads);
    std::printf("load, median of %d: empty library %.1f us, ZeltoKey.dll %.1f us: %.2f times (goal <= 1.5)\n",
                rounds, emptyLoad, hookLoad, hookLoad / emptyLoad);
    std::printf("load, fastest: empty library %.1f us, ZeltoKey.dll %.1f us: %.2f times\n",
                empty.loads.front(), hook.loads.front(), hook.loads.front() / empty.loads.front());
    std::printf("unload, median: empty library %.1f us, ZeltoKey.dll %.1f us\n", empty.Median(empty.unloads),
                hook.Median(hook.unloads));

    HMODULE module = LoadLibraryA(hookPath.c_str());
    const char* allowed[] = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll"};
    bool onlySystem = true;
    std::printf("ZeltoKey.dll imports:");
    for (std::string name : ImportsOf(module)) {
        std::printf(" %s", name.c_str());
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        onlySystem =
            onlySystem && std::find(std::begin(allowed), std::end(allowed), name) != std::end(allowed);
    }
    std::printf("\nonly kernel32, user32, gdi32, advapi32 and the C runtime: %s\n",
                onlySystem ? "yes" : "NO");
    FreeLibrary(module);
    return onlySystem ? 0 : 1;
}
