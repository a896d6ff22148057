// Prints, on the screen it runs on (meant for 1920x1080), what one page step of the image browser
// costs in Interlace on a 3840x1080 side-by-side picture (decoding plus composing the interleaved
// frame) beside the decoding alone (goal: the step takes at most 1.2 times the decoding), and how long
// painting a prepared frame takes (one unscaled copy to the screen).

#include "bench/BenchClock.h"
#include "display/ImageBrowserDlg.h"
#include "display/JpegCodec.h"
#include "display/StereoFrame.h"
#include "framework/Handles.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A side-by-side picture with detail like a desktop's: gradients, stripes and text-like specks.
HGLOBAL MakePicture(int width, int height) {
    CDibImage image;
    if (!image.Create(kDibTrueColour, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)))
        return nullptr;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = image.RowFromTop(y);
        for (int x = 0; x < width; ++x) {
            const bool speck = ((x * 7 + y * 13) % 23) == 0;
            row[3 * x] = static_cast<std::uint8_t>(speck ? 0 : (x * 255) / width);
            row[3 * x + 1] = static_cast<std::uint8_t>(speck ? 0 : (y * 255) / height);
            row[3 * x + 2] = static_cast<std::uint8_t>(((x / 16 + y / 16) % 2) * 120 + 60);
        }
    }
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 40 + image.GetImageSize());
    auto* bytes = static_cast<std::uint8_t*>(GlobalLock(memory));
    std::memcpy(bytes, image.Header(), 40);
    std::memcpy(bytes + 40, image.Pixels(), image.GetImageSize());
    GlobalUnlock(memory);
    return memory;
}

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int main() {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "zelto-browser-bench.jps";
    {
        CGlobalMemory picture(MakePicture(3840, 1080));
        if (!picture || !EncodeJpegFile(picture, path.c_str())) {
            std::printf("cannot write the test picture\n");
            return 1;
        }
    }

    // Each round times one page step and the decode within it, so that both see the same load.
    constexpr int kRounds = 15;
    std::vector<double> decode;
    std::vector<double> compose;
    std::vector<double> step;
    CDibImage frame;
    for (int i = 0; i < kRounds; ++i) {
        CDibImage pair;
        const double start = NowMilliseconds();
        if (!CImageBrowserDlg::MakeSeriesFrame(std::wstring(path.begin(), path.end()), 0, screenWidth,
                                               screenHeight, pair)) {
            std::printf("cannot decode the test picture\n");
            return 1;
        }
        const double decoded = NowMilliseconds();
        ComposeInterleavedFrame(pair, frame);
        const double composed = NowMilliseconds();
        decode.push_back(decoded - start);
        compose.push_back(composed - decoded);
        step.push_back(composed - start);
    }
    const double decodeMs = Median(decode);
    const double stepMs = Median(step);
    std::printf("screen %dx%d, picture 3840x1080, median of %d\n", screenWidth, screenHeight, kRounds);
    std::printf("decode alone:                 %7.2f ms\n", decodeMs);
    std::printf("compose alone:                %7.2f ms\n", Median(compose));
    std::printf("page step (decode + compose): %7.2f ms  = %.3f x the decode (goal <= 1.2)\n", stepMs,
                stepMs / decodeMs);

    // The paint of a prepared frame, on a full-screen window's own device context.
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = PlainWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ZeltoBrowserBench";
    RegisterClassA(&windowClass);
    HWND window =
        CreateWindowExA(WS_EX_TOPMOST, windowClass.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0,
                        screenWidth, screenHeight, nullptr, nullptr, windowClass.hInstance, nullptr);
    std::vector<double> paint;
    {
        CWindowDC dc(window);
        for (int i = 0; i < 30; ++i) {
            const double start = NowMilliseconds();
            DrawFrameCentred(dc, frame);
            GdiFlush();
            paint.push_back(NowMilliseconds() - start);
        }
    }
    DestroyWindow(window);
    std::printf("paint of the prepared %dx%d frame: %7.2f ms (median of %zu)\n", frame.GetWidth(),
                frame.GetHeight(), Median(paint), paint.size());
    DeleteFileA(path.c_str());
    return 0;
}
