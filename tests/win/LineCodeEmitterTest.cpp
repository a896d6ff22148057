// The emission watched on the screen as the X server shows it: a second thread samples the top band
// while the emission runs on the main thread, over a window that paints a known picture there.

#include "linecode/LineCodeEmitter.h"
#include "tests/support/WineTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace testing_support;

namespace {

enum class Seen { Background, Code, DoubleCode, Other };

struct Sample {
    ULONGLONG time;
    Seen seen;
};

// A run of equal observations.
struct Phase {
    Seen seen;
    ULONGLONG first;
    ULONGLONG last;
};

std::vector<Phase> PhasesOf(const std::vector<Sample>& samples) {
    std::vector<Phase> runs;
    for (size_t i = 0; i < samples.size(); ++i) {
        const Sample& sample = samples[i];
        // One sample of neither picture between two others was read while the X server changed the band.
        if (sample.seen == Seen::Other && i > 0 && i + 1 < samples.size() &&
            samples[i - 1].seen != Seen::Other && samples[i + 1].seen != Seen::Other)
            continue;
        if (runs.empty() || runs.back().seen != sample.seen)
            runs.push_back({sample.seen, sample.time, sample.time});
        else
            runs.back().last = sample.time;
    }
    return runs;
}

class ScreenEmission : public ::testing::Test {
protected:
    void SetUp() override {
        HDC screen = GetDC(nullptr);
        width = GetDeviceCaps(screen, HORZRES);
        ReleaseDC(nullptr, screen);
        // A picture with no line of one pure colour, so that neither code can be mistaken for it.
        window = std::make_unique<CPatternWindow>(RECT{0, 0, width, 60}, [](int x, int y) {
            return RGB((x * 7 + y) & 0xFF, (y * 29 + 11) & 0xFF, ((x >> 3) + y * 3) & 0x7F);
        });
        CPixels expected = window->Expected();
        expected.data.resize(static_cast<size_t>(width) * kCodeBandHeight);
        expected.height = kCodeBandHeight;
        background = expected;
        ASSERT_TRUE(WaitUntil([&] { return ReadScreen(0, 0, width, kCodeBandHeight) == background; }, 5000))
            << "the pattern window never reached the screen";
    }

    // Emits `code` on this thread while another thread samples the band; returns the observations.
    std::vector<Phase> Watch(int code, std::span<const CodeLine> first, std::span<const CodeLine> second,
                             int& result) {
        CPixels codeBand = CodeBandOf(width, first);
        CPixels doubleBand = CodeBandOf(width, second);
        std::atomic<bool> stop{false};
        std::vector<Sample> samples;
        std::thread sampler([&] {
            while (!stop) {
                CPixels now = ReadScreen(0, 0, width, kCodeBandHeight);
                Seen seen = now == background                        ? Seen::Background
                            : now == codeBand                        ? Seen::Code
                            : (!second.empty() && now == doubleBand) ? Seen::DoubleCode
                                                                     : Seen::Other;
                samples.push_back({GetTickCount64(), seen});
                Sleep(2);
            }
        });
        Sleep(100);
        result = EmitLineCode(code);
        Sleep(100);
        stop = true;
        sampler.join();
        return PhasesOf(samples);
    }

    static void ExpectAbout500Ms(const Phase& run, const char* what) {
        ULONGLONG shown = run.last - run.first;
        EXPECT_GE(shown, 400u) << what << " was seen for " << shown << " ms";
        EXPECT_LE(shown, 900u) << what << " was seen for " << shown << " ms";
    }

    int width = 0;
    std::unique_ptr<CPatternWindow> window;
    CPixels background;
};

} // namespace

TEST_F(ScreenEmission, PageFlipShowsItsCodeOnceAndRestoresTheBand) {
    int result = 1;
    std::vector<Phase> runs = Watch(kCodePageFlip, PatternForCode(kCodePageFlip), {}, result);
    EXPECT_EQ(result, kResultOk);
    ASSERT_EQ(runs.size(), 3u) << "expected background, code, background";
    EXPECT_EQ(runs[0].seen, Seen::Background);
    EXPECT_EQ(runs[1].seen, Seen::Code);
    EXPECT_EQ(runs[2].seen, Seen::Background);
    ExpectAbout500Ms(runs[1], "the Page Flip code");
    EXPECT_EQ(ReadScreen(0, 0, width, kCodeBandHeight), background);
}

TEST_F(ScreenEmission, InterlaceAndNormalFollowTheirCodeWithTheDoubleCode) {
    struct Case {
        int code;
        std::span<const CodeLine> second;
    };
    for (Case c :
         {Case{kCodeInterlace, DoubleInterlacePattern()}, Case{kCodeNormal, DoubleNormalPattern()}}) {
        int result = 1;
        std::vector<Phase> runs = Watch(c.code, PatternForCode(c.code), c.second, result);
        EXPECT_EQ(result, kResultOk);
        ASSERT_EQ(runs.size(), 4u) << "code " << c.code
                                   << ": expected background, code, double code, background";
        EXPECT_EQ(runs[0].seen, Seen::Background);
        EXPECT_EQ(runs[1].seen, Seen::Code);
        EXPECT_EQ(runs[2].seen, Seen::DoubleCode);
        EXPECT_EQ(runs[3].seen, Seen::Background);
        ExpectAbout500Ms(runs[1], "the first code");
        ExpectAbout500Ms(runs[2], "the double code");
        EXPECT_EQ(ReadScreen(0, 0, width, kCodeBandHeight), background) << "code " << c.code;
    }
}

TEST_F(ScreenEmission, ManyEmissionsLeaveNoGdiObjectBehind) {
    int before = CountGdiObjects();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(EmitLineCodeHolding(i % 3 == 0   ? kCodeInterlace
                                      : i % 3 == 1 ? kCodeNormal
                                                   : kCodeLineBlank,
                                      0),
                  kResultOk);
    EXPECT_EQ(CountGdiObjects(), before);
    EXPECT_TRUE(WaitUntil([&] { return ReadScreen(0, 0, width, kCodeBandHeight) == background; }, 1000));
}
