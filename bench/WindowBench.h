#pragma once
// What the browser's and the viewer's benchmarks share: a program of the suite started with its
// full-screen window, driven with posted keys while the frames it shows are read from the X server's
// screen file (read clear of the mouse pointer, which starts in the middle of the X screen), the
// longest time its window takes to answer, and its peak working set.

#include "bench/BenchClock.h"
#include "display/RedCyan.h"
#include "framework/Handles.h"
#include "settings/RegistryKey.h"
#include "settings/RegistryNames.h"
#include "settings/RegistryPath.h"
#include "tests/support/ScreenFile.h"

#include <psapi.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// The X screen as Xvfb keeps it (tests/support/ScreenFile.h): what the user sees, whichever program
// drew it.
class CXScreen {
public:
    bool Usable() const { return m_file.IsOpen(); }

    // Whether (x, y) shows `colour`, give or take what JPEG coding changes.
    bool Shows(int x, int y, COLORREF colour) const {
        const std::vector<std::uint32_t> pixel = m_file.Read(x, y, 1, 1);
        if (pixel.empty())
            return false;
        const auto within = [](std::uint32_t seen, int wanted) {
            return std::abs(static_cast<int>(seen & 0xFF) - wanted) <= 12;
        };
        return within(pixel[0] >> 16, GetRValue(colour)) && within(pixel[0] >> 8, GetGValue(colour)) &&
               within(pixel[0], GetBValue(colour));
    }

    // Milliseconds from `since` until (x, y) shows `colour`, polled every millisecond; -1 after
    // `timeoutMs`.
    double Until(int x, int y, COLORREF colour, double since, double timeoutMs = 20000) const {
        while (!Shows(x, y, colour)) {
            if (NowMilliseconds() - since > timeoutMs)
                return -1;
            Sleep(1);
        }
        return NowMilliseconds() - since;
    }

private:
    CScreenFile m_file;
};

// The round trips of a window's messages, timed without a pause on a thread of its own while the
// watch lives: the longest is the longest time that the window did not answer.
class CAnswerWatch {
public:
    explicit CAnswerWatch(HWND window)
        : m_thread([this, window] {
              while (!m_stop) {
                  const double sent = NowMilliseconds();
                  DWORD_PTR answer = 0;
                  SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &answer);
                  m_longest = std::max(m_longest.load(), NowMilliseconds() - sent);
                  Sleep(1);
              }
          }) {}
    ~CAnswerWatch() {
        m_stop = true;
        m_thread.join();
    }
    CAnswerWatch(const CAnswerWatch&) = delete;
    CAnswerWatch& operator=(const CAnswerWatch&) = delete;

    double Longest() const { return m_longest; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<double> m_longest{0};
    std::thread m_thread;
};

// A program of the suite started with a full-screen window.
class CBenchProgram {
public:
    ~CBenchProgram() {
        if (m_info.hProcess) {
            TerminateProcess(m_info.hProcess, 1);
            CloseHandle(m_info.hProcess);
            CloseHandle(m_info.hThread);
        }
    }

    // Starts `commandLine` and waits for its visible window; false when none came.
    bool Start(std::string commandLine) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &m_info))
            return false;
        for (int i = 0; i < 2000 && !m_window; ++i) {
            EnumWindows(&TakeWindow, reinterpret_cast<LPARAM>(this));
            Sleep(10);
        }
        return m_window != nullptr;
    }
    HWND Window() const { return m_window; }
    void Key(WPARAM key) const { PostMessageA(m_window, WM_KEYDOWN, key, 1); }

    // The program's peak working set so far, in bytes.
    double PeakWorkingSet() const {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        GetProcessMemoryInfo(m_info.hProcess, &counters, sizeof counters);
        return static_cast<double>(counters.PeakWorkingSetSize);
    }

    // Ends it with Escape; false when it did not end.
    bool End() {
        Key(VK_ESCAPE);
        return WaitForSingleObject(m_info.hProcess, 10000) == WAIT_OBJECT_0;
    }

private:
    static BOOL CALLBACK TakeWindow(HWND window, LPARAM parameter) {
        auto* program = reinterpret_cast<CBenchProgram*>(parameter);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != program->m_info.dwProcessId || !IsWindowVisible(window))
            return TRUE;
        program->m_window = window;
        return FALSE;
    }

    PROCESS_INFORMATION m_info{};
    HWND m_window = nullptr;
};

// What paging through a series of `count` pictures shows: `colourOf(k)` is the colour that picture k
// shows at the probe (x, y). First two rounds of the series at a reading pace (a key every 2 s), then
// `rounds` times three keys a quarter of `bareMs` apart after a pause of `pauseMs`, the last key timed
// to its frame.
struct CPagingFigures {
    std::vector<double> reading;
    std::vector<double> fast;
    double longestUnanswered = 0;
    double peakWorkingSet = 0;
};

inline CPagingFigures PageThrough(const CBenchProgram& program, const CXScreen& screen, int x, int y,
                                  int count, const std::function<COLORREF(int)>& colourOf, int rounds,
                                  DWORD pauseMs, double bareMs) {
    CPagingFigures figures;
    int shown = 0;
    CAnswerWatch answers(program.Window());
    for (int step = 0; step < 2 * count; ++step) {
        Sleep(2000);
        shown = (shown + 1) % count;
        const double pressed = NowMilliseconds();
        program.Key(VK_NEXT);
        figures.reading.push_back(screen.Until(x, y, colourOf(shown), pressed));
    }
    for (int round = 0; round < rounds; ++round) {
        Sleep(pauseMs);
        for (int key = 0; key < 3; ++key) {
            if (key > 0)
                Sleep(static_cast<DWORD>(bareMs / 4));
            program.Key(VK_NEXT);
        }
        const double pressed = NowMilliseconds();
        shown = (shown + 3) % count;
        figures.fast.push_back(screen.Until(x, y, colourOf(shown), pressed));
    }
    figures.longestUnanswered = answers.Longest();
    figures.peakWorkingSet = program.PeakWorkingSet();
    return figures;
}

// The user's viewer choices, stored for the benchmark and removed after it.
inline bool StoreViewerChoices(std::uint32_t output, std::uint32_t slideshowSeconds) {
    CRegistryKey key;
    return WalkKeyPath(
               key, HKEY_CURRENT_USER,
               {"Software", kMakerKey.Load(), kProductKey.Load(), kSettingsVersion, kViewerKey.Load()},
               true) &&
           key.WriteNumber(kOutputValue.Load(), output) &&
           key.WriteNumber(kSlideshowSecondsValue.Load(), slideshowSeconds);
}
inline void RemoveViewerChoices() {
    const std::string path = "Software\\" + kMakerKey.Load() + "\\" + kProductKey.Load() + "\\" +
                             kSettingsVersion + "\\" + kViewerKey.Load();
    RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}

// The anaglyph of a block of `colour` that both eyes see alike.
inline COLORREF RedCyanOfSolid(COLORREF colour) {
    const CRgbPixel eye{GetRValue(colour), GetGValue(colour), GetBValue(colour)};
    const CRgbPixel mixed = RedCyanPixel(eye, eye);
    return RGB(mixed.red, mixed.green, mixed.blue);
}

// A slideshow started with P on picture `shown` of a series of `count` (colourOf as for PageThrough),
// `steps` steps of `intervalMs`: how late each step's frame reached the screen, in milliseconds after
// its time (P's key plus so many intervals); -1 for a step that never showed.
inline std::vector<double> SlideshowLateness(const CBenchProgram& program, const CXScreen& screen, int x,
                                             int y, int count, int shown,
                                             const std::function<COLORREF(int)>& colourOf, double intervalMs,
                                             int steps) {
    std::vector<double> late;
    const double pressed = NowMilliseconds();
    program.Key('P');
    for (int step = 1; step <= steps; ++step) {
        shown = (shown + 1) % count;
        const double seen = screen.Until(x, y, colourOf(shown), pressed, step * intervalMs + 5000);
        late.push_back(seen < 0 ? -1 : seen - step * intervalMs);
    }
    program.Key('P');
    return late;
}

// Prints the figures against their goals; `alonePeak` is the peak working set of showing one picture,
// `alone` says how it was measured, `framesGoal` the most screen frames the paging may hold beyond it.
inline void PrintPagingFigures(const CPagingFigures& figures, double bareMs, double alonePeak,
                               const char* alone, int screenWidth, int screenHeight, int framesGoal = 3) {
    const double frameBytes = 3.0 * screenWidth * screenHeight;
    std::printf("step at a reading pace, key to frame on the screen:  %8.1f ms median, %.1f ms longest "
                "(goal <= 30)\n",
                Median(figures.reading), *std::max_element(figures.reading.begin(), figures.reading.end()));
    std::printf("step with keys faster than decoding, last key to frame: %6.1f ms median = %.2f x the bare "
                "decoding (goal <= 1.1)\n",
                Median(figures.fast), Median(figures.fast) / bareMs);
    std::printf("longest time the window did not answer:              %8.1f ms (goal <= 50)\n",
                figures.longestUnanswered);
    std::printf("peak working set paging %.1f MB, showing one picture (%s) %.1f MB: %.2f screen frames above "
                "(goal <= %d)\n",
                figures.peakWorkingSet / 1048576, alone, alonePeak / 1048576,
                (figures.peakWorkingSet - alonePeak) / frameBytes, framesGoal);
}

// The machine's load average (Linux's, under Wine), to read the timings by; empty elsewhere.
inline std::string LoadAverage() {
    CFileHandle file(
        CreateFileA("Z:\\proc\\loadavg", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    char text[64] = {};
    DWORD read = 0;
    if (!file || !ReadFile(file, text, sizeof text - 1, &read, nullptr))
        return {};
    const std::string load(text, read);
    return load.substr(0, load.find(' ', load.find(' ', load.find(' ') + 1) + 1));
}

// `text` quoted as one argument of a command line; a final backslash is doubled, or it would take the
// quotation mark for text.
inline std::string QuotedArgument(const std::string& text) {
    return "\"" + text + (!text.empty() && text.back() == '\\' ? "\\\"" : "\"");
}

// The full path of a file beside this program.
inline std::string BesideThisProgram(const std::string& name) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string self(path, length);
    return self.substr(0, self.find_last_of("\\/") + 1) + name;
}
