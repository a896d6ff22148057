// Prints, for the width of the screen it runs on, how long the ten blits of one line code take and how
// long a code stays on the screen (goal: 500 ms plus at most 15 ms), seen by a second thread that
// samples the screen's top band.

#include "bench/BenchClock.h"
#include "linecode/LineCodeEmitter.h"

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

// Whether the screen shows the Page Flip code: its rows 0 to 15 at the first and the next-to-last column.
bool ShowsPageFlip(HDC screen, int width) {
    for (const CodeLine& line : PatternForCode(kCodePageFlip)) {
        if (GetPixel(screen, 0, line.row) != line.colour ||
            GetPixel(screen, width - 2, line.row) != line.colour)
            return false;
    }
    return true;
}

} // namespace

int main() {
    CScreenCodeBand band;
    if (band.Open() != kResultOk) {
        std::printf("cannot open the screen band\n");
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
                bool on = ShowsPageFlip(dc, width);
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
    return 0;
}
