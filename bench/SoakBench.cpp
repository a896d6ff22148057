// Prints what one long session of the suite leaves behind: the Activator (Zelto.exe) and the viewer
// (ZeltoViewer.exe, on a folder of real and hostile pictures) run side by side for about ten minutes,
// in rounds, while
// - 2,000 mode hotkeys are pressed, faster than their codes run, half of them by SendInput and half
//   by the X server (xdotool), with the viewer in front;
// - 300 captures are taken (Scroll Lock), each waited for in the Activator's status line, while a
//   reader opens every new file of the capture folder and reads it whole, as an indexer would;
// - the viewer takes 1,000 steps, most at a reading pace, some in bursts faster than it decodes, with
//   F and S now and then.
// It prints, for both programs, their kernel handles, GDI objects, USER objects and private bytes at the
// start, after the first round (a minute or so: what settles there is noise, not growth) and at the
// end (goal: no growth beyond the first round's); the captures reported as written against the files
// found whole in the capture folder (goal: none lost); and whether the top rows of the screen show the
// desktop again once both programs have ended (goal: yes, no code left on the screen).

#include "bench/BenchClock.h"
#include "bench/ProcessCensus.h"
#include "bench/WindowBench.h"
#include "display/DibImage.h"
#include "display/JpegCodec.h"
#include "settings/ActivatorMessages.h"
#include "tests/support/ScreenFile.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kRounds = 10;
constexpr int kHotKeysPerRound = 200;
constexpr int kCapturesPerRound = 30;
constexpr int kStepsPerRound = 100;
constexpr int kRealPictures = 8;
// The Activator's status line and "Exit" (activator/resource.h).
constexpr int kStatusControl = 1000;
constexpr WPARAM kExitCommand = 32774;
// The mode hotkeys as Setup leaves them: Shift with F9 (Interlace), F10, F11 and F12 (Normal).
constexpr WORD kModeKeys[] = {VK_F9, VK_F10, VK_F11, VK_F12};
const char* const kModeKeyWords[] = {"shift+F9", "shift+F10", "shift+F11", "shift+F12"};
const char kCaptureSettingsPath[] = "Software\\Korva Corporation\\Zelto Activator\\1.0\\Capture";

void SendKey(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

void PressKey(WORD key, bool shifted) {
    if (shifted)
        SendKey(VK_SHIFT, false);
    SendKey(key, false);
    SendKey(key, true);
    if (shifted)
        SendKey(VK_SHIFT, true);
}

// Has the X server type `keys` into the viewer, focused first. Wine starts the native program without
// a handle to wait for.
void TypeWithXServer(const std::string& keys) {
    std::string command = "/usr/bin/xdotool search --name \"Zelto Viewer$\" windowfocus --sync key " + keys;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

// A program started with this one's rights over it, and its first visible window.
struct CProgram {
    PROCESS_INFORMATION info{};
    HWND window = nullptr;

    // Starts `commandLine`; with `visible`, waits for its visible window (false when none came).
    bool Start(const std::string& commandLine, bool visible) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string line = commandLine;
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &info))
            return false;
        for (int i = 0; visible && i < 2000 && !window; ++i) {
            EnumWindows(
                [](HWND candidate, LPARAM parameter) -> BOOL {
                    auto* program = reinterpret_cast<CProgram*>(parameter);
                    DWORD owner = 0;
                    GetWindowThreadProcessId(candidate, &owner);
                    if (owner != program->info.dwProcessId || !IsWindowVisible(candidate))
                        return TRUE;
                    program->window = candidate;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(this));
            Sleep(10);
        }
        return !visible || window != nullptr;
    }
    bool Ended(DWORD timeoutMs) const {
        return WaitForSingleObject(info.hProcess, timeoutMs) == WAIT_OBJECT_0;
    }
    ~CProgram() {
        if (info.hProcess && !Ended(0))
            TerminateProcess(info.hProcess, 1);
        if (info.hProcess) {
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
    }
};

// Opens every new or changed file of a folder as soon as the folder says so, and reads it whole.
class CNewFileReader {
public:
    explicit CNewFileReader(const std::string& dir) : m_dir(dir), m_thread([this] { Read(); }) {}
    ~CNewFileReader() {
        m_stop = true;
        m_thread.join();
    }
    int Reads() const { return m_reads; }

private:
    void Read() {
        CChangeNotification changes(FindFirstChangeNotificationA(
            m_dir.c_str(), FALSE,
            FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE));
        std::map<std::string, ULONGLONG> seen;
        std::vector<char> buffer(1 << 20);
        while (!m_stop && changes) {
            if (WaitForSingleObject(changes, 100) != WAIT_OBJECT_0)
                continue;
            FindNextChangeNotification(changes);
            WIN32_FIND_DATAA found;
            CFindHandle finder(FindFirstFileA((m_dir + "*.jps").c_str(), &found));
            while (finder) {
                const ULONGLONG size = ULONGLONG{found.nFileSizeHigh} << 32 | found.nFileSizeLow;
                if (seen[found.cFileName] != size + 1) {
                    seen[found.cFileName] = size + 1;
                    CFileHandle file(CreateFileA((m_dir + found.cFileName).c_str(), GENERIC_READ,
                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                 nullptr, OPEN_EXISTING, 0, nullptr));
                    DWORD read = 0;
                    while (file &&
                           ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) &&
                           read > 0)
                        ;
                    m_reads += file ? 1 : 0;
                }
                if (!FindNextFileA(finder, &found))
                    break;
            }
        }
    }

    std::string m_dir;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_reads{0};
    std::thread m_thread;
};

// A side-by-side picture of `width` x `height` with detail like a desktop's in `colour`'s tones.
bool WritePicture(const std::string& path, int width, int height, int colour) {
    CDibImage image;
    if (!image.Create(kDibTrueColour, width, height))
        return false;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = image.RowFromTop(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<std::uint8_t>((x * 255) / width);
            row[3 * x + 1] = static_cast<std::uint8_t>(40 + 25 * colour);
            row[3 * x + 2] = static_cast<std::uint8_t>(((x / 16 + y / 16) % 2) * 120 + (x * y) % 17);
        }
    }
    return EncodeJpegDib(reinterpret_cast<const BITMAPINFOHEADER*>(image.Header()), image.Pixels(),
                         path.c_str());
}

// The real pictures and the hostile ones (the header reader's samples, an empty file, a foreign one, a
// picture cut short) of the viewer's folder.
bool WritePictures(const std::string& dir, int width, int height) {
    for (int k = 0; k < kRealPictures; ++k)
        if (!WritePicture(dir + "real" + std::to_string(k) + ".jps", 2 * width, height, k))
            return false;
    const std::string samples = BesideThisProgram("jpeg-samples\\");
    WIN32_FIND_DATAA found;
    CFindHandle finder(FindFirstFileA((samples + "*.jpg").c_str(), &found));
    while (finder) {
        CopyFileA((samples + found.cFileName).c_str(), (dir + "hostile-" + found.cFileName + ".jps").c_str(),
                  FALSE);
        if (!FindNextFileA(finder, &found))
            break;
    }
    CFileHandle(
        CreateFileA((dir + "empty.jps").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    CFileHandle foreign(
        CreateFileA((dir + "foreign.jps").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(foreign, "BM no picture", 13, &written, nullptr);
    CopyFileA((dir + "real0.jps").c_str(), (dir + "cut.jps").c_str(), FALSE);
    CFileHandle cut(
        CreateFileA((dir + "cut.jps").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER half{};
    GetFileSizeEx(cut, &half);
    half.QuadPart /= 2;
    return SetFilePointerEx(cut, half, nullptr, FILE_BEGIN) && SetEndOfFile(cut);
}

// The capture settings: Sync Double, into `dir`, the series `name` (two-digit numbers: 100 files at the
// most).
void WriteCaptureSettings(const std::string& dir, const std::string& name) {
    HKEY key = nullptr;
    const DWORD syncDouble = 1;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kCaptureSettingsPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, "View Mode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&syncDouble),
                   sizeof syncDouble);
    RegSetValueExA(key, "Dir", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                   static_cast<DWORD>(dir.size() + 1));
    RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                   static_cast<DWORD>(name.size() + 1));
    RegCloseKey(key);
}

void RemoveFolder(const std::string& dir) {
    WIN32_FIND_DATAA found;
    CFindHandle finder(FindFirstFileA((dir + "*").c_str(), &found));
    while (finder) {
        DeleteFileA((dir + found.cFileName).c_str());
        if (!FindNextFileA(finder, &found))
            break;
    }
    finder.reset();
    RemoveDirectoryA(dir.c_str());
}

std::string StatusOf(HWND activator) {
    char text[256] = {};
    HWND status = GetDlgItem(activator, kStatusControl);
    DWORD_PTR length = 0;
    SendMessageTimeoutA(status, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000,
                        &length);
    return text;
}

// Takes one capture and waits for the Activator's report of it: true when it reports a picture written.
bool Capture(HWND activator) {
    // A text that no capture leaves.
    SendMessageTimeoutA(activator, kMsgResultPageFlip, 0, 0, SMTO_BLOCK, 5000, nullptr);
    PressKey(VK_SCROLL, false);
    const double start = NowMilliseconds();
    while (NowMilliseconds() - start < 10000) {
        const std::string status = StatusOf(activator);
        if (status.rfind("Capture ", 0) == 0)
            return status == "Capture ";
        Sleep(5);
    }
    return false;
}

void PrintCensus(const char* program, const char* when, const CCensus& census) {
    std::printf("  %-10s %-22s handles %5ld  GDI objects %5ld  USER objects %5ld  private %8.1f MiB\n",
                program, when, census.handles, census.gdiObjects, census.userObjects, census.privateMiB);
}

// The top 40 rows of the screen as the X server shows them.
std::vector<std::uint32_t> TopRows(const CScreenFile& screen, int width) {
    return screen.Read(0, 0, width, 40);
}

} // namespace

// The number of rounds may be given (a shorter run while working on the benchmark).
int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kRounds;
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const CScreenFile screen;
    if (!screen.IsOpen() || FindWindowA("#32770", "Zelto Activator")) {
        std::printf("run through tools/bench.sh, without an Activator running\n");
        return 1;
    }
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string base = std::string(temp) + "zelto-soak\\";
    const std::string captures = base + "captures\\";
    const std::string pictures = base + "pictures\\";
    for (const std::string& dir : {base, captures, pictures})
        CreateDirectoryA(dir.c_str(), nullptr);
    if (!WritePictures(pictures, width, height)) {
        std::printf("cannot write the pictures\n");
        return 1;
    }
    WriteCaptureSettings(captures, "SoakA_");
    const std::vector<std::uint32_t> desktop = TopRows(screen, width);

    const double begun = NowMilliseconds();
    CProgram activator;
    CProgram viewer;
    HWND activatorWindow = nullptr;
    if (activator.Start(QuotedArgument(BesideThisProgram("Zelto.exe")), false))
        for (int i = 0; i < 1000 && !(activatorWindow = FindWindowA("#32770", "Zelto Activator")); ++i)
            Sleep(10);
    if (!activatorWindow ||
        !viewer.Start(QuotedArgument(BesideThisProgram("ZeltoViewer.exe")) + " " + QuotedArgument(pictures),
                      true)) {
        std::printf("the Activator or the viewer did not start\n");
        return 1;
    }
    Sleep(3000);
    const CCensusTaker censuses(BesideThisProgram("soak_probe.dll"));
    const CCensus activatorStart = censuses.Take(activator.info.hProcess);
    const CCensus viewerStart = censuses.Take(viewer.info.hProcess);
    CCensus activatorFirst, viewerFirst;

    int hotKeys = 0, reported = 0, refused = 0, steps = 0;
    CNewFileReader reader(captures);
    for (int round = 0; round < rounds; ++round) {
        SetForegroundWindow(viewer.window);
        for (int i = 0; i < kHotKeysPerRound / 2; ++i, ++hotKeys) {
            PressKey(kModeKeys[i % 4], true);
            Sleep(25);
        }
        for (int i = 0; i < kHotKeysPerRound / 2; ++i, ++hotKeys) {
            TypeWithXServer(kModeKeyWords[i % 4]);
            Sleep(60);
        }
        // Until the last code has ended: a capture key pressed during an action is ignored. Each round
        // has a series of its own.
        WriteCaptureSettings(captures, std::string("Soak") + static_cast<char>('A' + round) + "_");
        Sleep(2000);
        for (int i = 0; i < kCapturesPerRound; ++i)
            (Capture(activatorWindow) ? reported : refused) += 1;
        for (int i = 0; i < kStepsPerRound; ++i, ++steps) {
            const bool burst = i % 25 >= 15;
            PostMessageA(viewer.window, WM_KEYDOWN, i % 7 == 3 ? VK_PRIOR : VK_NEXT, 1);
            if (i % 50 == 10 || i % 50 == 11)
                PostMessageA(viewer.window, WM_KEYDOWN, i % 2 ? 'F' : 'S', 1);
            Sleep(burst ? 10 : 400);
            if (i % 25 == 24)
                Sleep(2500);
        }
        if (round == 0) {
            activatorFirst = censuses.Take(activator.info.hProcess);
            viewerFirst = censuses.Take(viewer.info.hProcess);
        }
    }
    Sleep(3000);
    const CCensus activatorEnd = censuses.Take(activator.info.hProcess);
    const CCensus viewerEnd = censuses.Take(viewer.info.hProcess);
    const int reads = reader.Reads();

    PostMessageA(viewer.window, WM_KEYDOWN, VK_ESCAPE, 1);
    const bool viewerEnded = viewer.Ended(10000);
    PostMessageA(activatorWindow, WM_COMMAND, kExitCommand, 0);
    const bool activatorEnded = activator.Ended(10000);
    Sleep(2000);
    const bool desktopAgain = TopRows(screen, width) == desktop;

    int whole = 0, files = 0;
    WIN32_FIND_DATAA found;
    CFindHandle finder(FindFirstFileA((captures + "Soak*").c_str(), &found));
    while (finder) {
        ++files;
        CGlobalMemory picture(DecodeJpegFile((captures + found.cFileName).c_str()));
        whole += picture ? 1 : 0;
        if (!FindNextFileA(finder, &found))
            break;
    }
    finder.reset();

    std::printf("soak of %.1f minutes on a %dx%d screen; load %s\n", (NowMilliseconds() - begun) / 60000,
                width, height, LoadAverage().c_str());
    std::printf(
        "%d mode hotkeys (half by SendInput, half by the X server), %d viewer steps, %d captures pressed, "
        "the reader read %d files\n",
        hotKeys, steps, reported + refused, reads);
    PrintCensus("Activator", "at the start", activatorStart);
    PrintCensus("Activator", "after the first round", activatorFirst);
    PrintCensus("Activator", "at the end", activatorEnd);
    PrintCensus("viewer", "at the start", viewerStart);
    PrintCensus("viewer", "after the first round", viewerFirst);
    PrintCensus("viewer", "at the end", viewerEnd);
    std::printf(
        "captures reported as written %d (refused or not reported %d), files found %d, of them whole %d: "
        "%d lost (goal: 0)\n",
        reported, refused, files, whole, reported - whole);
    std::printf(
        "ended: the viewer %s, the Activator %s; the top rows show the desktop again: %s (goal: yes)\n",
        viewerEnded ? "yes" : "NO", activatorEnded ? "yes" : "NO", desktopAgain ? "yes" : "NO");
    RemoveFolder(captures);
    RemoveFolder(pictures);
    RemoveDirectoryA(base.c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCaptureSettingsPath);
    return 0;
}
