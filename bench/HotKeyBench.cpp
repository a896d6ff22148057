// Prints what a hotkey costs the program in front, and how soon its line code shows, with the Activator
// (Zelto.exe) running and the 64-bit key target in front (both started from beside this program):
// - how long the program in front is blocked per hotkey (goal: at most 5 ms): the delay of the hotkey's
//   key reaching it, and the slowest round trip of its messages while the code is on the screen, each
//   against the same for a key that is no hotkey;
// - from the key's down transition to the first code row on the screen (goal: at most 30 ms), read from
//   the X server's screen file (ZELTO_FBDIR, as tools/wine-session.sh exports it) or else with GetPixel.

#include "bench/BenchClock.h"
#include "linecode/LineCodePatterns.h"
#include "tests/win/KeyTarget.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
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
    CTopRowProbe() {
        if (const char* dir = std::getenv("ZELTO_FBDIR")) {
            const std::string path = std::string("Z:") + dir + "/Xvfb_screen0";
            m_file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
        }
        // The XWD header: big-endian 32-bit fields; 0 the header's size, 12 the bytes per line,
        // 19 the number of colour entries (12 bytes each), which precede the pixels.
        unsigned char header[100] = {};
        DWORD read = 0;
        if (m_file != INVALID_HANDLE_VALUE && ReadFile(m_file, header, sizeof header, &read, nullptr) &&
            read == sizeof header) {
            auto field = [&](int i) {
                return (DWORD{header[4 * i]} << 24) | (DWORD{header[4 * i + 1]} << 16) |
                       (DWORD{header[4 * i + 2]} << 8) | header[4 * i + 3];
            };
            m_pixelsAt = field(0) + 12 * field(19);
        } else if (m_file != INVALID_HANDLE_VALUE) {
            CloseHandle(m_file);
            m_file = INVALID_HANDLE_VALUE;
        }
        m_screen = GetDC(nullptr);
    }
    ~CTopRowProbe() {
        if (m_file != INVALID_HANDLE_VALUE)
            CloseHandle(m_file);
        ReleaseDC(nullptr, m_screen);
    }
    const char* Source() const { return m_file != INVALID_HANDLE_VALUE ? "the X screen file" : "GetPixel"; }

    COLORREF At(int x) {
        if (m_file == INVALID_HANDLE_VALUE)
            return GetPixel(m_screen, x, 0);
        OVERLAPPED at{};
        at.Offset = m_pixelsAt + 4 * static_cast<DWORD>(x);
        unsigned char bgrx[4] = {};
        DWORD read = 0;
        ReadFile(m_file, bgrx, sizeof bgrx, &read, &at);
        return RGB(bgrx[2], bgrx[1], bgrx[0]);
    }

private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
    DWORD m_pixelsAt = 0;
    HDC m_screen = nullptr;
};

struct CRound {
    double keyDelay = 0;    // from the key down to the program in front having it, ms
    double slowestPing = 0; // the slowest round trip of the program's messages in the next 700 ms
    double codeShown = -1;  // from the key down to the code's first row on the screen, ms; -1 never
};

// One press of `key` with Shift held, while a second thread pings the program in front and a third
// watches the top row for `codeColour`.
CRound Press(HWND program, WORD key, COLORREF codeColour, CTopRowProbe& probe, int x) {
    CRound round;
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
        while (!stop && round.codeShown < 0) {
            if (probe.At(x) == codeColour)
                round.codeShown = NowMs() - start;
            SwitchToThread();
        }
    });
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
        const CRound plain = Press(program, 'A', red, probe, x);
        const CRound hot = Press(program, VK_F10, red, probe, x);
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

    PostMessageA(program, WM_CLOSE, 0, 0);
    PostMessageA(FindWindowA("#32770", "Zelto Activator"), WM_COMMAND, 32774, 0); // "Exit"
    WaitForSingleObject(target.hProcess, 5000);
    WaitForSingleObject(activator.hProcess, 5000);
    for (PROCESS_INFORMATION* process : {&activator, &target}) {
        CloseHandle(process->hThread);
        CloseHandle(process->hProcess);
    }
    return shown.empty() ? 1 : 0;
}
