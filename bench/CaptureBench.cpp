// Prints what an Interlace capture of the screen costs against the JPEG encoder alone on the same
// pixels (goal: at most 1.3 times, so that screen copy, row separation and naming together cost under
// 30 % of the encoding), with the parts of the capture timed one by one. Run it on a 1920x1080 screen.

#include "bench/BenchClock.h"
#include "display/JpegCodec.h"
#include "framework/Handles.h"
#include "keyhook/CaptureFileName.h"
#include "keyhook/RowSeparation.h"
#include "keyhook/ScreenCapture.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double NowMilliseconds() {
    return NowMicroseconds() / 1000.0;
}

const char kCaptureKey[] = "Software\\Korva Corporation\\Zelto Activator\\1.0\\Capture";

void WriteCaptureSettings(const std::string& dir) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kCaptureKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    DWORD viewMode = 0;
    RegSetValueExA(key, "View Mode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&viewMode), sizeof viewMode);
    RegSetValueExA(key, "Dir", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                   static_cast<DWORD>(dir.size() + 1));
    RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>("Bench_"), 7);
    RegCloseKey(key);
}

// A full-screen window showing a photograph-like picture: smooth colour fields with some detail.
LRESULT CALLBACK PictureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT)
        return DefWindowProcA(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT area;
    GetClientRect(window, &area);
    const int width = area.right, height = area.bottom;
    std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[static_cast<size_t>(y) * width + x] =
                ((x * 255 / width) << 16) | ((y * 255 / height) << 8) | (((x / 7) ^ (y / 5)) & 0xFF);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    EndPaint(window, &paint);
    return 0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "zelto-capture-bench\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    WriteCaptureSettings(dir);

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = PictureProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "CaptureBenchPicture";
    RegisterClassA(&windowClass);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, windowClass.lpszClassName, "", WS_POPUP | WS_VISIBLE, 0, 0,
                                  width, height, nullptr, nullptr, windowClass.hInstance, nullptr);
    UpdateWindow(window);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&message);

    const int rounds = 7;
    std::vector<double> capture, naming, copy, separation, encoding;
    for (int round = 0; round < rounds; ++round) {
        // The whole capture, as the hotkey runs it.
        double start = NowMilliseconds();
        int result = CaptureScreen();
        capture.push_back(NowMilliseconds() - start);
        if (result != 0) {
            std::printf("the capture failed with %d\n", result);
            return 1;
        }

        // Its parts: naming, screen copy, row separation, and the encoder alone.
        std::string path;
        std::int32_t viewMode = 0;
        start = NowMilliseconds();
        MakeCaptureFileName(path, viewMode);
        naming.push_back(NowMilliseconds() - start);

        CWindowDC screen(nullptr);
        CMemoryDC memory(CreateCompatibleDC(screen));
        BITMAPINFO info{};
        CaptureHeaderOf(width, height, 0, info.bmiHeader);
        void* bits = nullptr;
        CBitmap section(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        CSelectObject selection(memory, section);
        start = NowMilliseconds();
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        GdiFlush();
        copy.push_back(NowMilliseconds() - start);
        start = NowMilliseconds();
        SeparateInterlacedRows(std::span(static_cast<std::uint8_t*>(bits), info.bmiHeader.biSizeImage),
                               info.bmiHeader.biSizeImage / height, width, height);
        separation.push_back(NowMilliseconds() - start);

        start = NowMilliseconds();
        EncodeJpegDib(&info.bmiHeader, bits, path.c_str());
        encoding.push_back(NowMilliseconds() - start);
    }

    const double whole = Median(capture), encoder = Median(encoding);
    std::printf("screen %dx%d, Interlace capture of %dx%d, medians of %d rounds:\n", width, height, 2 * width,
                height, rounds);
    std::printf("capture %.1f ms, encoder alone %.1f ms: %.2f times (goal <= 1.3)\n", whole, encoder,
                whole / encoder);
    std::printf(
        "parts: naming %.2f ms, screen copy %.1f ms, row separation %.1f ms: %.0f %% of the encoding\n",
        Median(naming), Median(copy), Median(separation),
        100.0 * (Median(naming) + Median(copy) + Median(separation)) / encoder);

    DestroyWindow(window);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "Bench_*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do
            DeleteFileA((dir + found.cFileName).c_str());
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Korva Corporation");
    return 0;
}
