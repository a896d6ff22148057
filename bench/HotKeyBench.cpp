// Prints what a hotkey costs the program in front, how soon its line code shows and how soon a capture
// takes the screen, with the Activator (Zelto.exe) running and the 64-bit key target in front (both
// started from beside this program):
// - how long the program in front is blocked per hotkey, a mode's and the capture's (goal: at most
//   5 ms): the delay of the hotkey's key reaching it, and the slowest round trip of its messages while
//   the action runs, each against the same for a key that is no hotkey;
// - from the key's down transition to the first code row on the screen (goal: at most 30 ms), read from
//   the X server's screen file (ZELTO_FBDIR, as tools/wine-session.sh exports it) or else with GetPixel;
// - from the capture key's down transition to the moment the capture copies the screen (goal: a median
//   of at most 20 ms over 20 presses): a clock window shows a counter that changes every millisecond or
//   so, and the captured picture shows which count was on the screen when it was copied.

#include "bench/BenchClock.h"
#include "display/JpegCodec.h"
#include "framework/Handles.h"
#include "linecode/LineCodePatterns.h"
#include "tests/support/ScreenFile.h"
#include "tests/win/KeyTarget.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

double NowMs() {
    return NowMicroseconds() / 1000.0;
}

std::string Beside(const char* name) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length);
    return directory.substr(0, directory.find_last_of("\\/") + 1) + name;
}

bool Start(const std::string& program, PROCESS_INFORMATION& process) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" + program + "\"";
    return CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process) != FALSE;
}

HWND WaitForWindow(const char* className, const char* title) {
    for (int i = 0; i < 1000; ++i) {
        if (HWND window = FindWindowA(className, title))
            return window;
        Sleep(10);
    }
    return nullptr;
}

void SendKey(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

LRESULT Ask(HWND window, UINT message) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(window, message, 0, 0, SMTO_BLOCK, 5000, &answer);
    return static_cast<LRESULT>(answer);
}

// The colour of one pixel of the screen's top row, as 0x00BBGGRR.
class CTopRowProbe {
public:
    CTopRowProbe() : m_screen(GetDC(nullptr)) {}
    ~CTopRowProbe() { ReleaseDC(nullptr, m_screen); }
    const char* Source() const { return m_file.IsOpen() ? "the X screen file" : "GetPixel"; }

    COLORREF At(int x) {
        if (!m_file.IsOpen())
            return GetPixel(m_screen, x, 0);
        const std::vector<std::uint32_t> pixel = m_file.Read(x, 0, 1, 1);
        return pixel.empty() ? CLR_INVALID : RGB(pixel[0] >> 16, (pixel[0] >> 8) & 0xFF, pixel[0] & 0xFF);
    }

private:
    CScreenFile m_file;
    HDC m_screen;
};

// A small window in front that counts: it shows the next number every millisecond or so as a row of
// black and white cells, and a second thread notes when each number appears on the X screen (its screen
// file). The number that a picture of the screen shows then tells when the X server took it.
class CScreenClock {
public:
    static constexpr int kCells = 16;
    static constexpr int kCellSize = 16;

    CScreenClock(int x, int y)
        : m_x(x), m_y(y), m_painter([this] { Paint(); }), m_watcher([this] { Watch(); }) {
        for (int i = 0; i < 300 && Sightings() < 10; ++i)
            Sleep(10);
    }
    ~CScreenClock() {
        m_stop = true;
        m_painter.join();
        m_watcher.join();
    }
    int X() const { return m_x; }
    int Y() const { return m_y; }
    size_t Sightings() {
        std::lock_guard lock(m_mutex);
        return m_seen.size();
    }

    // When the screen came to show `count` (this program's clock, ms), or the next count seen after it
    // when it showed too briefly to be seen; -1 when it was never shown.
    double TimeOf(int count) {
        std::lock_guard lock(m_mutex);
        for (size_t i = m_seen.size(); count >= 0 && i-- > 0;) {
            if (m_seen[i].count == count)
                return m_seen[i].time;
            if (m_seen[i].count < count)
                return i + 1 < m_seen.size() ? m_seen[i + 1].time : -1;
        }
        return -1;
    }
    // The median time between two counts seen, ms.
    double Step() {
        std::lock_guard lock(m_mutex);
        std::vector<double> steps;
        for (size_t i = 1; i < m_seen.size(); ++i)
            steps.push_back(m_seen[i].time - m_seen[i - 1].time);
        return Median(steps);
    }

private:
    struct CSighting {
        int count;
        double time;
    };

    void Paint() {
        HWND window =
            CreateWindowExA(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, m_x,
                            m_y, kCells * kCellSize, kCellSize, nullptr, nullptr, nullptr, nullptr);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        for (int count = 0; !m_stop && count < (1 << kCells); ++count) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&message);
            if (CWindowDC dc{window}) {
                for (int cell = 0; cell < kCells; ++cell) {
                    RECT area{cell * kCellSize, 0, (cell + 1) * kCellSize, kCellSize};
                    FillRect(
                        dc, &area,
                        static_cast<HBRUSH>(GetStockObject((count >> cell) & 1 ? WHITE_BRUSH : BLACK_BRUSH)));
                }
            }
            // Waiting on the message queue hands the drawing to the screen.
            MsgWaitForMultipleObjectsEx(0, nullptr, 1, QS_ALLINPUT, 0);
        }
        DestroyWindow(window);
    }

    void Watch() {
        const CScreenFile screen;
        int last = -1;
        while (!m_stop && screen.IsOpen()) {
            const std::vector<std::uint32_t> row =
                screen.Read(m_x, m_y + kCellSize / 2, kCells * kCellSize, 1);
            int count = 0;
            for (int cell = 0; cell < kCells && !row.empty(); ++cell)
                if (((row[cell * kCellSize + kCellSize / 2] >> 8) & 0xFF) > 128)
                    count |= 1 << cell;
            if (!row.empty() && count != last) {
                std::lock_guard lock(m_mutex);
                m_seen.push_back({count, NowMilliseconds()});
                last = count;
            }
            Sleep(1);
        }
    }

    const int m_x;
    const int m_y;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<CSighting> m_seen;
    std::thread m_painter;
    std::thread m_watcher;
};

// The count that the clock shows in the 2D picture at `path`; -1 when the file is no picture yet.
int CountInPicture(const std::string& path, const CScreenClock& clock) {
    CGlobalMemory dib(DecodeJpegFile(path.c_str()));
    if (!dib)
        return -1;
    CGlobalLock<const BYTE> lock(dib);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(lock.get());
    const int width = header->biWidth, height = header->biHeight;
    const int y = clock.Y() + CScreenClock::kCellSize / 2;
    if (header->biBitCount != 24 || height <= y ||
        width < clock.X() + CScreenClock::kCells * CScreenClock::kCellSize)
        return -1;
    const BYTE* row =
        lock.get() + header->biSize + static_cast<size_t>(height - 1 - y) * ((3 * width + 3) / 4 * 4);
    int count = 0;
    for (int cell = 0; cell < CScreenClock::kCells; ++cell) {
        const int x = clock.X() + cell * CScreenClock::kCellSize + CScreenClock::kCellSize / 2;
        if (row[3 * x + 1] > 128)
            count |= 1 << cell;
    }
    return count;
}

const char kCaptureKey[] = "Software\\Korva Corporation\\Zelto Activator\\1.0\\Capture";

std::string CaptureDir() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "zelto-hotkey-bench\\";
}

// The capture settings of the benchmark's captures: 2D, into `dir`.
void WriteCaptureSettings(const std::string& dir) {
    HKEY key = nullptr;
    const DWORD flat = 3;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kCaptureKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, "View Mode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&flat), sizeof flat);
    RegSetValueExA(key, "Dir", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                   static_cast<DWORD>(dir.size() + 1));
    RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>("Clock_"), 7);
    RegCloseKey(key);
}

// Removes the captures, the directory and the settings.
void DeleteCaptures(const std::string& dir) {
    WIN32_FIND_DATAA found;
    CFindHandle search(FindFirstFileA((dir + "Clock_*").c_str(), &found));
    if (search) {
        do
            DeleteFileA((dir + found.cFileName).c_str());
        while (FindNextFileA(search, &found));
    }
    search.reset();
    RemoveDirectoryA(dir.c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kCaptureKey);
}

struct CRound {
    double keyDown = 0;     // when the key went down, ms
    double keyDelay = 0;    // from the key down to the program in front having it, ms
    double slowestPing = 0; // the slowest round trip of the program's messages in the next 700 ms
    double codeShown = -1;  // from the key down to the code's first row on the screen, ms; -1 never
};

// One press of `key`, with Shift held for `shifted`, while a second thread pings the program in front
// and a third watches the top row for `codeColour` (none for CLR_INVALID).
CRound Press(HWND program, WORD key, bool shifted, COLORREF codeColour, CTopRowProbe& probe, int x) {
    CRound round;
    if (shifted)
        SendKey(VK_SHIFT, false);
    Sleep(50);
    const LRESULT before = Ask(program, kKeyTargetCount);
    std::atomic<bool> stop{false};
    const double start = NowMs();
    std::thread pinger([&] {
        while (!stop) {
            const double sent = NowMs();
            Ask(program, kKeyTargetPing);
            round.slowestPing = std::max(round.slowestPing, NowMs() - sent);
            Sleep(1);
        }
    });
    std::thread watcher([&] {
        while (!stop && codeColour != CLR_INVALID && round.codeShown < 0) {
            if (probe.At(x) == codeColour)
                round.codeShown = NowMs() - start;
            SwitchToThread();
        }
    });
    round.keyDown = NowMs();
    SendKey(key, false);
    while (Ask(program, kKeyTargetCount) == before && NowMs() - start < 2000)
        ;
    round.keyDelay = NowMs() - start;
    while (NowMs() - start < 700)
        Sleep(5);
    stop = true;
    pinger.join();
    watcher.join();
    SendKey(key, true);
    if (shifted)
        SendKey(VK_SHIFT, true);
    // Until the action has surely ended and the band is restored.
    Sleep(400);
    return round;
}

} // namespace

int main() {
    if (FindWindowA("#32770", "Zelto Activator")) {
        std::printf("an Activator is running already\n");
        return 1;
    }
    PROCESS_INFORMATION activator{}, target{};
    if (!Start(Beside("Zelto.exe"), activator) || !WaitForWindow("#32770", "Zelto Activator")) {
        std::printf("the Activator did not start\n");
        return 1;
    }
    HWND program = nullptr;
    if (Start(Beside("key_target_64.exe"), target))
        program = WaitForWindow("ZeltoKeyTarget", (std::string(kKeyTargetTitle) + "64").c_str());
    if (!program) {
        std::printf("the key target did not start\n");
        return 1;
    }
    SetForegroundWindow(program);
    Sleep(500);

    // Sync Double, Shift+F10 by default: one code of 500 ms, whose first row is red.
    const COLORREF red = PatternForCode(kCodeSyncDouble)[0].colour;
    CTopRowProbe probe;
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int rounds = 10;
    std::vector<double> plainDelay, plainPing, hotDelay, hotPing, shown;
    int missed = 0;
    for (int i = 0; i < rounds; ++i) {
        const CRound plain = Press(program, 'A', true, red, probe, x);
        const CRound hot = Press(program, VK_F10, true, red, probe, x);
        plainDelay.push_back(plain.keyDelay);
        plainPing.push_back(plain.slowestPing);
        hotDelay.push_back(hot.keyDelay);
        hotPing.push_back(hot.slowestPing);
        if (hot.codeShown >= 0)
            shown.push_back(hot.codeShown);
        else
            ++missed;
    }

    std::printf("%d rounds, medians (slowest):\n", rounds);
    std::printf("key reaching the program in front: plain key %.2f ms (%.2f), hotkey %.2f ms (%.2f): the "
                "hotkey blocks it %.2f ms more (goal <= 5)\n",
                Median(plainDelay), *std::max_element(plainDelay.begin(), plainDelay.end()), Median(hotDelay),
                *std::max_element(hotDelay.begin(), hotDelay.end()), Median(hotDelay) - Median(plainDelay));
    std::printf("slowest message round trip of the program in front over 700 ms: after a plain key %.2f ms "
                "(%.2f), during the code %.2f ms (%.2f) (goal <= 5 more)\n",
                Median(plainPing), *std::max_element(plainPing.begin(), plainPing.end()), Median(hotPing),
                *std::max_element(hotPing.begin(), hotPing.end()));
    if (!shown.empty())
        std::printf("key down to the first code row on the screen (%s): %.1f ms (%.1f), fastest %.1f ms "
                    "(goal <= 30)%s\n",
                    probe.Source(), Median(shown), *std::max_element(shown.begin(), shown.end()),
                    *std::min_element(shown.begin(), shown.end()), missed ? ", some codes not seen" : "");
    else
        std::printf("the code was never seen on the screen\n");

    // The capture, Scroll Lock by default, in 2D into a directory of its own, with the clock in front.
    const std::string dir = CaptureDir();
    CreateDirectoryA(dir.c_str(), nullptr);
    WriteCaptureSettings(dir);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    std::vector<double> toCopy, captureDelay, capturePing;
    int unread = 0;
    {
        CScreenClock clock(width / 2 - CScreenClock::kCells * CScreenClock::kCellSize / 2, height * 3 / 4);
        const int presses = 20;
        for (int i = 0; i < presses; ++i) {
            const CRound round = Press(program, VK_SCROLL, false, CLR_INVALID, probe, x);
            captureDelay.push_back(round.keyDelay);
            capturePing.push_back(round.slowestPing);
            const std::string path =
                dir + "Clock_" + static_cast<char>('0' + i / 10) + static_cast<char>('0' + i % 10) + ".jpg";
            int count = -1;
            for (int wait = 0; wait < 500 && count < 0; ++wait) {
                count = CountInPicture(path, clock);
                if (count < 0)
                    Sleep(10);
            }
            const double copied = clock.TimeOf(count);
            if (copied < 0)
                ++unread;
            else
                toCopy.push_back(copied - round.keyDown);
        }
        std::printf(
            "capture key reaching the program in front %.2f ms (%.2f): %.2f ms more than a plain key (goal "
            "<= 5); slowest message round trip during the capture %.2f ms (%.2f) (goal <= 5 more than after "
            "a plain key)\n",
            Median(captureDelay), *std::max_element(captureDelay.begin(), captureDelay.end()),
            Median(captureDelay) - Median(plainDelay), Median(capturePing),
            *std::max_element(capturePing.begin(), capturePing.end()));
        if (!toCopy.empty())
            std::printf(
                "capture key down to the screen copy, over %zu presses: median %.1f ms, slowest %.1f ms, "
                "fastest %.1f ms, to within the clock's step of %.1f ms (goal: median <= 20)%s\n",
                toCopy.size(), Median(toCopy), *std::max_element(toCopy.begin(), toCopy.end()),
                *std::min_element(toCopy.begin(), toCopy.end()), clock.Step(),
                unread ? ", some pictures not read" : "");
        else
            std::printf("no captured picture could be read\n");
    }
    DeleteCaptures(dir);

    PostMessageA(program, WM_CLOSE, 0, 0);
    PostMessageA(FindWindowA("#32770", "Zelto Activator"), WM_COMMAND, 32774, 0); // "Exit"
    WaitForSingleObject(target.hProcess, 5000);
    WaitForSingleObject(activator.hProcess, 5000);
    for (PROCESS_INFORMATION* process : {&activator, &target}) {
        CloseHandle(process->hThread);
        CloseHandle(process->hProcess);
    }
    return shown.empty() || toCopy.empty() ? 1 : 0;
}
