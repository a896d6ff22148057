// Prints, on the screen it runs on (meant for 1920x1080 and 3840x2160), what a capture costs in each
// view mode, JPEG and lossless PNG, from its start to the finished file, against the sum of its two parts
// measured apart in the same run: the copy of the whole screen into memory, and the bare encoding of the
// same pixels by WIC's encoder of the format (the picture already made in memory, handed to the encoder
// in one go). Goal: at most 1.05 times in JPEG and 1.1 times in PNG, the median of each round's capture
// over the sum of that round's parts (the machine's load changes between rounds more than within one).
// The naming and the making of the picture's rows from the copy, which the capture does besides, are
// timed apart.

#include "bench/BenchClock.h"
#include "display/JpegCodec.h"
#include "display/PngCodec.h"
#include "framework/Handles.h"
#include "keyhook/CaptureFileName.h"
#include "keyhook/CaptureLayout.h"
#include "keyhook/ScreenCapture.h"
#include "keyhook/ScreenCopy.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char kCaptureKey[] = "Software\\Korva Corporation\\Zelto Activator\\1.0\\Capture";
const char* const kModeNames[] = {"Interlace", "Sync Double", "Line Blank", "2D"};

std::string BenchDir() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "zelto-capture-bench\\";
}

void WriteCaptureSettings(const std::string& dir, DWORD viewMode, DWORD lossless) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kCaptureKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, "View Mode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&viewMode), sizeof viewMode);
    RegSetValueExA(key, "Dir", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                   static_cast<DWORD>(dir.size() + 1));
    RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>("Bench_"), 7);
    RegSetValueExA(key, "Lossless", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&lossless), sizeof lossless);
    RegCloseKey(key);
}

void DeleteBenchFiles(const std::string& dir) {
    WIN32_FIND_DATAA found;
    CFindHandle search(FindFirstFileA((dir + "Bench*").c_str(), &found));
    if (search) {
        do
            DeleteFileA((dir + found.cFileName).c_str());
        while (FindNextFileA(search, &found));
    }
}

// A full-screen window showing a photograph-like picture: smooth colour fields with some detail.
LRESULT CALLBACK PictureProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT)
        return DefWindowProcA(window, message, wParam, lParam);
    CPaintDC dc(window);
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
    return 0;
}

// The capture picture of one copy of the screen, made whole in memory: the encoder's input when it
// runs alone.
class CFullPicture {
public:
    bool Make(std::int32_t viewMode) {
        CScreenCopy screen;
        if (screen.Take() != 0 || !CaptureLayoutOf(screen.Width(), screen.Height(), viewMode, m_layout))
            return false;
        m_stride = 3 * static_cast<std::size_t>(PictureWidth(m_layout));
        m_rows.assign(m_stride * m_layout.screenHeight, 0);
        return ComposePictureRows(m_layout, screen.Rows(), screen.Stride(), 0, m_layout.screenHeight, m_rows,
                                  m_stride);
    }

    // Encodes the picture into a new file at `path` with an `Encoder` (CJpegRowEncoder or
    // CPngRowEncoder), all rows in one go.
    template <typename Encoder> bool Encode(const std::string& path) const {
        CFileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        Encoder encoder;
        return file &&
               encoder.Begin(file, static_cast<unsigned>(PictureWidth(m_layout)),
                             static_cast<unsigned>(m_layout.screenHeight)) &&
               encoder.WriteRows(m_rows.data(), static_cast<unsigned>(m_layout.screenHeight),
                                 static_cast<unsigned>(m_stride)) &&
               encoder.Finish();
    }

    int Width() const { return PictureWidth(m_layout); }

private:
    CCaptureLayout m_layout;
    std::size_t m_stride = 0;
    std::vector<std::uint8_t> m_rows;
};

// The machine's load average (Linux's, under Wine), to read the timings by; empty elsewhere.
std::string LoadAverage() {
    CFileHandle file(
        CreateFileA("Z:\\proc\\loadavg", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    char text[64] = {};
    DWORD read = 0;
    if (!file || !ReadFile(file, text, sizeof text - 1, &read, nullptr))
        return {};
    std::string load(text, read);
    return load.substr(0, load.find(' ', load.find(' ', load.find(' ') + 1) + 1));
}

} // namespace

int main() {
    const std::string dir = BenchDir();
    CreateDirectoryA(dir.c_str(), nullptr);
    DeleteBenchFiles(dir);

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

    const int rounds = width * height > 4000000 ? 5 : 7;
    std::printf("screen %dx%d, medians of %d rounds, load average %s\n", width, height, rounds,
                LoadAverage().c_str());
    // The four view modes in JPEG, then in PNG.
    for (int series = 0; series < 8; ++series) {
        const bool lossless = series >= 4;
        const std::int32_t viewMode = series % 4;
        WriteCaptureSettings(dir, static_cast<DWORD>(viewMode), lossless ? 1 : 0);
        CFullPicture picture;
        if (!picture.Make(viewMode)) {
            std::printf("%s: the screen cannot be read\n", kModeNames[viewMode]);
            return 1;
        }
        std::vector<double> capture, copy, encoding, ratio, naming, making;
        std::vector<std::uint8_t> rows;
        for (int round = 0; round < rounds; ++round) {
            // The whole capture, as the hotkey runs it.
            double start = NowMilliseconds();
            const int result = CaptureScreen();
            capture.push_back(NowMilliseconds() - start);
            if (result != 0) {
                std::printf("the capture failed with %d\n", result);
                return 1;
            }
            // Its parts: the copy of the screen, and the encoder alone on the same pixels.
            CScreenCopy screen;
            start = NowMilliseconds();
            screen.Take();
            copy.push_back(NowMilliseconds() - start);
            start = NowMilliseconds();
            if (lossless)
                picture.Encode<CPngRowEncoder>(dir + "Bench-alone.png");
            else
                picture.Encode<CJpegRowEncoder>(dir + "Bench-alone.jpg");
            encoding.push_back(NowMilliseconds() - start);
            ratio.push_back(capture.back() / (copy.back() + encoding.back()));
            // What the capture does besides: the naming, and making the picture's rows from the copy.
            {
                CCaptureFile file;
                std::int32_t mode = 0;
                start = NowMilliseconds();
                MakeCaptureFileName(file, mode);
                naming.push_back(NowMilliseconds() - start);
            }
            CCaptureLayout layout;
            CaptureLayoutOf(screen.Width(), screen.Height(), viewMode, layout);
            const std::size_t stride = 3 * static_cast<std::size_t>(PictureWidth(layout));
            rows.resize(stride * layout.screenHeight);
            start = NowMilliseconds();
            ComposePictureRows(layout, screen.Rows(), screen.Stride(), 0, layout.screenHeight, rows, stride);
            making.push_back(NowMilliseconds() - start);
            DeleteBenchFiles(dir);
        }
        std::printf(
            "%-4s %-11s %5dx%-4d: capture %6.1f ms against screen copy %5.1f ms + encoding alone %6.1f ms: "
            "%.3f times, the median of the rounds' ratios (goal <= %s); besides, naming %.1f ms and "
            "making the rows %.1f ms\n",
            lossless ? "PNG" : "JPEG", kModeNames[viewMode], picture.Width(), height, Median(capture),
            Median(copy), Median(encoding), Median(ratio), lossless ? "1.1" : "1.05", Median(naming),
            Median(making));
    }
    std::printf("load average %s\n", LoadAverage().c_str());

    DestroyWindow(window);
    DeleteBenchFiles(dir);
    RemoveDirectoryA(dir.c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Korva Corporation");
    return 0;
}
