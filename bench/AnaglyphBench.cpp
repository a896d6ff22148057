// Prints, on the screen it runs on (meant for 1920x1080), what composing the red-cyan anaglyph frame
// of a picture costs against composing its Interlace frame, both from the same two eyes: those of a
// 6000 x 4000 camera picture fitted to the screen. Goal: the anaglyph at most 1.2 times the Interlace
// frame, the median of the rounds' ratios. The viewer composes a frame right after decoding and
// scaling its picture, which leaves little of the eyes and the frame in the processor's caches: each
// composition here follows the writing of 64 MiB elsewhere ("after a decoding"). The same compositions
// run again at once ("cached") are printed beside them, and so is the viewer's Interlace frame with its
// twin (the frame with the eyes swapped), which it composes too.

#include "bench/BenchClock.h"
#include "display/FrameComposition.h"
#include "settings/SettingsTypes.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kCameraWidth = 6000;
constexpr std::uint32_t kCameraHeight = 4000;
constexpr int kRounds = 15;

// An eye with detail like a photograph's: gradients, texture and specks; `shift` moves it sideways as
// the other eye sees it.
bool MakeEye(CDibImage& eye, CPictureSize size, int shift) {
    if (!eye.Create(kDibTrueColour, size.width, size.height))
        return false;
    for (int y = 0; y < eye.GetHeight(); ++y) {
        std::uint8_t* row = eye.RowFromTop(y);
        for (int x = 0; x < eye.GetWidth(); ++x) {
            const int u = x + shift;
            const bool speck = (u * 7 + y * 13) % 23 == 0;
            row[3 * x] = static_cast<std::uint8_t>(speck ? 0 : u * 255 / eye.GetWidth());
            row[3 * x + 1] = static_cast<std::uint8_t>(speck ? 0 : y * 255 / eye.GetHeight());
            row[3 * x + 2] = static_cast<std::uint8_t>((u / 16 + y / 16) % 2 * 120 + 60 + u * y % 17);
        }
    }
    return true;
}

// Writes `bytes` of memory, as decoding a picture does, so that little of what came before stays cached.
void TouchMemory(std::vector<std::uint8_t>& bytes, int round) {
    std::memset(bytes.data(), round, bytes.size());
}

double Time(const std::function<bool()>& compose) {
    const double start = NowMilliseconds();
    if (!compose()) {
        std::printf("a frame could not be composed\n");
        std::exit(1);
    }
    return NowMilliseconds() - start;
}

const char* Kernel() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2")    ? "256-bit vectors (AVX2)"
           : __builtin_cpu_supports("ssse3") ? "128-bit vectors (SSSE3)"
                                             : "pixel by pixel";
}

} // namespace

int main() {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const CPictureSize fitted = FitWithin(
        kCameraWidth, kCameraHeight, {static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)});
    CStereoPicture picture;
    if (!MakeEye(picture.left, fitted, 0) || !MakeEye(picture.right, fitted, 24)) {
        std::printf("no memory for the eyes\n");
        return 1;
    }
    std::vector<std::uint8_t> elsewhere(std::size_t{64} << 20);
    CDibImage frame, twin, anaglyph;
    const auto interlace = [&] {
        return ComposeStereoFrame(picture, kViewInterlace, false, frame, width, height);
    };
    const auto withTwin = [&] {
        return ComposeStereoFrames(picture, kViewInterlace, false, frame, twin, width, height);
    };
    const auto redCyan = [&] { return ComposeAnaglyphFrame(picture, false, anaglyph, width, height); };

    std::vector<double> coldInterlace, coldTwin, coldAnaglyph, coldRatio, warmInterlace, warmAnaglyph,
        warmRatio;
    for (int round = 0; round < kRounds; ++round) {
        TouchMemory(elsewhere, round);
        coldInterlace.push_back(Time(interlace));
        warmInterlace.push_back(Time(interlace));
        TouchMemory(elsewhere, round);
        coldAnaglyph.push_back(Time(redCyan));
        warmAnaglyph.push_back(Time(redCyan));
        TouchMemory(elsewhere, round);
        coldTwin.push_back(Time(withTwin));
        coldRatio.push_back(coldAnaglyph.back() / coldInterlace.back());
        warmRatio.push_back(warmAnaglyph.back() / warmInterlace.back());
    }
    std::printf("screen %dx%d, eyes of a %ux%u picture fitted to %ux%u, anaglyph kernel: %s; medians of %d "
                "rounds\n",
                width, height, kCameraWidth, kCameraHeight, fitted.width, fitted.height, Kernel(), kRounds);
    std::printf("after a decoding: anaglyph %.2f ms, Interlace frame %.2f ms: %.2f times (goal <= 1.2); the "
                "viewer's Interlace frame with its twin %.2f ms\n",
                Median(coldAnaglyph), Median(coldInterlace), Median(coldRatio), Median(coldTwin));
    std::printf("cached:           anaglyph %.2f ms, Interlace frame %.2f ms: %.2f times\n",
                Median(warmAnaglyph), Median(warmInterlace), Median(warmRatio));
    return 0;
}
