// Prints, for the width of the controller's monitor, how long the ten blits of one line code take and
// how long a code stays on the screen (goal: 500 ms plus at most 15 ms), seen by a second thread that
// samples the monitor's top band. With --second-monitor, the first monitor other than the primary is
// made the controller's for the run.

#include "bench/BenchClock.h"
#include "linecode/LineCodeEmitter.h"
#include "settings/ControllerMonitor.h"
#include "settings/RegistryNames.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// Whether the screen shows the Page Flip code on `monitor`: its rows 0 to 15 at the monitor's first and
// next-to-last column.
bool ShowsPageFlip(HDC screen, const CMonitorRect& monitor) {
    for (const CodeLine& line : PatternForCode(kCodePageFlip)) {
        if (GetPixel(screen, monitor.left, monitor.top + line.row) != line.colour ||
            GetPixel(screen, monitor.right - 2, monitor.top + line.row) != line.colour)
            return false;
    }
    return true;
}

// Makes the first monitor other than the primary the controller's; false when there is none.
bool ChooseSecondMonitor() {
    for (const CMonitorEntry& monitor : ListMonitors()) {
        if (!monitor.primary)
            return WriteMonitorChoice(monitor);
    }
    return false;
}

void ForgetMonitorChoice() {
    const std::string key = "Software\\" + kMakerKey.Load() + "\\" + kProductKey.Load() + "\\" +
                            kSettingsVersion + "\\" + kControllerMonitorKey.Load();
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
}

} // namespace

int main(int argc, char** argv) {
    const bool second = argc > 1 && std::strcmp(argv[1], "--second-monitor") == 0;
    if (second && !ChooseSecondMonitor()) {
        std::printf("there is no second monitor\n");
        return 1;
    }
    const CMonitorRect monitor = FindControllerMonitor().monitor.rect;
    std::printf("the controller's monitor: %d x %d at %d, %d\n", monitor.Width(), monitor.Height(),
                monitor.left, monitor.top);
    CScreenCodeBand band;
    if (band.Open() != kResultOk) {
        std::printf("cannot open the screen band\n");
        if (second)
            ForgetMonitorChoice();
        return 1;
    }
    const int width = band.Width();

    // Fill and paint alone, on a band of the same size that never reaches the screen.
    CWindowDC screen(nullptr);
    CMemoryDC memory(CreateCompatibleDC(screen));
    CBitmap bitmap(CreateCompatibleBitmap(screen, width, kCodeBandHeight));
    CSelectObject selection(memory, bitmap);
    CLineCodePainter painter;
    painter.SetCode(kCodePageFlip);
    painter.SetLineWidth(width);
    const int rounds = 50;
    double start = NowMilliseconds();
    for (int i = 0; i < rounds; ++i) {
        PatBlt(memory, 0, 0, width, kCodeBandHeight, BLACKNESS);
        painter.Paint(memory);
    }
    double paintMs = (NowMilliseconds() - start) / rounds;

    start = NowMilliseconds();
    for (int i = 0; i < rounds; ++i)
        band.Show(kCodePageFlip, &CLineCodePainter::Paint);
    double showMs = (NowMilliseconds() - start) / rounds;
    band.Restore();

    std::printf("width %d: fill and paint %.3f ms; %d blits of the %dx%d band %.3f ms (%.3f ms each)\n",
                width, paintMs, kCodeBlitCount, width, kCodeBandHeight, showMs - paintMs,
                (showMs - paintMs) / kCodeBlitCount);

    // Time on screen, as a sampling thread sees it.
    std::vector<double> shown;
    double samplePeriod = 0;
    for (int run = 0; run < 5; ++run) {
        std::atomic<bool> stop{false};
        double first = 0, last = 0;
        int samples = 0;
        double sampleStart = NowMilliseconds();
        std::thread sampler([&] {
            HDC dc = GetDC(nullptr);
            while (!stop) {
                bool on = ShowsPageFlip(dc, monitor);
                double t = NowMilliseconds();
                ++samples;
                if (on) {
                    if (first == 0)
                        first = t;
                    last = t;
                }
            }
            ReleaseDC(nullptr, dc);
        });
        Sleep(50);
        EmitLineCode(kCodePageFlip);
        Sleep(50);
        stop = true;
        sampler.join();
        samplePeriod = (NowMilliseconds() - sampleStart) / samples;
        shown.push_back(last - first);
    }
    double longest = 0, sum = 0;
    for (double ms : shown) {
        sum += ms;
        longest = ms > longest ? ms : longest;
    }
    std::printf("width %d: code on screen %.1f ms on average, %.1f ms at most over %zu emissions "
                "(sampled every %.2f ms; goal 500 + 15 ms)\n",
                width, sum / shown.size(), longest, shown.size(), samplePeriod);
    if (second)
        ForgetMonitorChoice();
    return 0;
}
