// Prints, on the screen it runs on (meant for 1920x1080 and 3840x2160), what a capture costs in each
// view mode against the JPEG encoder alone on the same pixels (goal: at most 1.15 times, the screen copy
// hidden behind the encoding), with the parts of the capture timed one by one; and the peak memory that
// one capture adds to a process against what the encoder alone adds (goal: the capture's own at most a
// quarter of a full side-by-side frame). Each memory figure comes from a fresh process running this
// program as "capture_bench memory capture|encoder <view mode>", which reports it as its exit code.
//
// Memory is the peak working set: under Wine it is the process's real high-water mark of resident
// memory (while its peak page-file and private figures are not peaks). The mark cannot be set back, so
// the fresh process does nothing large before the measured run: it reads the screen band by band, as
// the capture does.

#include "bench/BenchClock.h"
#include "display/JpegCodec.h"
#include "framework/Handles.h"
#include "keyhook/CaptureBands.h"
#include "keyhook/CaptureFileName.h"
#include "keyhook/ScreenBands.h"
#include "keyhook/ScreenCapture.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
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

void WriteCaptureSettings(const std::string& dir, DWORD viewMode) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kCaptureKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, "View Mode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&viewMode), sizeof viewMode);
    RegSetValueExA(key, "Dir", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                   static_cast<DWORD>(dir.size() + 1));
    RegSetValueExA(key, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>("Bench_"), 7);
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

// The whole capture picture of the screen in memory, read band by band as the capture reads it: the
// encoder's input when it runs alone.
class CFullPicture {
public:
    bool Make(std::int32_t viewMode) {
        CScreenBands bands;
        if (bands.Open(viewMode, 1) != 0)
            return false;
        m_layout = bands.Layout();
        m_stride = bands.Stride();
        m_rows.assign(static_cast<size_t>(m_stride) * m_layout.screenHeight, 0);
        for (int band = 0; band < bands.BandCount(); ++band) {
            if (!bands.Copy(band, 0))
                return false;
            std::memcpy(m_rows.data() + static_cast<size_t>(band) * kCaptureBandRows * m_stride,
                        bands.Rows(0), static_cast<size_t>(bands.RowsOf(band)) * m_stride);
        }
        return true;
    }

    // Encodes the picture into a new file at `path`, handing it to the encoder in the capture's bands.
    bool Encode(const std::string& path) const {
        CFileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        CJpegRowEncoder encoder;
        if (!file || !encoder.Begin(file, static_cast<unsigned>(PictureWidth(m_layout)),
                                    static_cast<unsigned>(m_layout.screenHeight)))
            return false;
        for (int row = 0; row < m_layout.screenHeight; row += kCaptureBandRows) {
            const int rows = std::min(kCaptureBandRows, m_layout.screenHeight - row);
            if (!encoder.WriteRows(m_rows.data() + static_cast<size_t>(row) * m_stride,
                                   static_cast<unsigned>(rows), m_stride))
                return false;
        }
        return encoder.Finish();
    }

    std::size_t SideBySideBytes() const {
        return 3 * 2 * static_cast<std::size_t>(m_layout.screenWidth) * m_layout.screenHeight;
    }

private:
    CCaptureLayout m_layout;
    unsigned m_stride = 0;
    std::vector<std::uint8_t> m_rows;
};

struct CMemoryFigures {
    std::size_t current = 0;
    std::size_t peak = 0;
};

CMemoryFigures Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return {counters.WorkingSetSize, counters.PeakWorkingSetSize};
}

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

// The child's part: the peak memory in kilobytes that one capture, or the encoder alone on a picture
// already in memory, adds to a process that has used the encoder and the screen once before, in little.
int MeasureMemory(const std::string& what, std::int32_t viewMode) {
    const std::string dir = BenchDir();
    WriteCaptureSettings(dir, static_cast<DWORD>(viewMode));
    {
        // The codec and the screen, loaded with a tiny picture and a one-pixel copy.
        CFileHandle file(CreateFileA((dir + "Bench-warm.jpg").c_str(), GENERIC_WRITE, 0, nullptr,
                                     CREATE_ALWAYS, 0, nullptr));
        std::vector<BYTE> rows(16 * 3 * 16, 0x80);
        CJpegRowEncoder encoder;
        encoder.Begin(file, 16, 16);
        encoder.WriteRows(rows.data(), 16, 48);
        encoder.Finish();
        CWindowDC screen(nullptr);
        CMemoryDC memory(CreateCompatibleDC(screen));
        CBitmap pixel(CreateCompatibleBitmap(screen, 1, 1));
        CSelectObject selection(memory, pixel);
        BitBlt(memory, 0, 0, 1, 1, screen, 0, 0, SRCCOPY);
    }
    CFullPicture picture;
    if (what == "encoder" && !picture.Make(viewMode))
        return -1;
    const CMemoryFigures before = Memory();
    const bool done = what == "encoder" ? picture.Encode(dir + "Bench-alone.jpg") : CaptureScreen() == 0;
    const CMemoryFigures after = Memory();
    DeleteBenchFiles(dir);
    if (!done)
        return -1;
    return static_cast<int>((std::max(after.peak, before.current) - before.current) / 1024);
}

double MeasureInChild(const char* what, int viewMode) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string commandLine = std::string("\"") + self + "\" memory " + what + " " + std::to_string(viewMode);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return -1;
    CKernelHandle thread(process.hThread);
    CKernelHandle child(process.hProcess);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(child, 120000) == WAIT_OBJECT_0)
        GetExitCodeProcess(child, &code);
    return static_cast<int>(code) < 0 ? -1 : code / 1024.0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "memory") == 0)
        return MeasureMemory(argv[2], std::atoi(argv[3]));

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
    std::printf("screen %dx%d, medians of %d rounds, load average %s; the capture copies the screen in bands "
                "of %d rows while a second thread encodes the bands already copied\n",
                width, height, rounds, LoadAverage().c_str(), kCaptureBandRows);
    std::size_t sideBySide = 0;
    for (std::int32_t viewMode = 0; viewMode < 4; ++viewMode) {
        WriteCaptureSettings(dir, static_cast<DWORD>(viewMode));
        CFullPicture picture;
        if (!picture.Make(viewMode)) {
            std::printf("%s: the screen cannot be read\n", kModeNames[viewMode]);
            return 1;
        }
        sideBySide = picture.SideBySideBytes();
        std::vector<double> capture, naming, copy, arrangement, encoding;
        for (int round = 0; round < rounds; ++round) {
            // The whole capture, as the hotkey runs it.
            double start = NowMilliseconds();
            const int result = CaptureScreen();
            capture.push_back(NowMilliseconds() - start);
            if (result != 0) {
                std::printf("the capture failed with %d\n", result);
                return 1;
            }

            // The encoder alone on the same pixels, fed as the capture feeds it.
            start = NowMilliseconds();
            picture.Encode(dir + "Bench-alone.jpg");
            encoding.push_back(NowMilliseconds() - start);

            // The capture's parts: naming, and the screen copy band by band with its arrangement.
            {
                CCaptureFile file;
                std::int32_t mode = 0;
                start = NowMilliseconds();
                MakeCaptureFileName(file, mode);
                naming.push_back(NowMilliseconds() - start);
            }
            CScreenBands bands;
            bands.Open(viewMode, 1);
            start = NowMilliseconds();
            for (int band = 0; band < bands.BandCount(); ++band)
                bands.Copy(band, 0);
            copy.push_back(NowMilliseconds() - start);
            // The arrangement alone: band 0's once more for every band.
            CBandPlan plan;
            PlanBand(bands.Layout(), kCaptureBandRows, 0, plan);
            auto* rows = const_cast<std::uint8_t*>(bands.Rows(0));
            start = NowMilliseconds();
            for (int band = 0; band < bands.BandCount(); ++band)
                ArrangeBand(bands.Layout(), plan, std::span(rows, bands.Stride() * kCaptureBandRows),
                            bands.Stride());
            arrangement.push_back(NowMilliseconds() - start);
            DeleteBenchFiles(dir);
        }
        const double whole = Median(capture), encoder = Median(encoding);
        std::printf(
            "%-11s %5ux%-4u: capture %6.1f ms, encoder alone %6.1f ms: %.2f times (goal <= 1.15); parts: "
            "naming %.1f ms, screen copy %.1f ms (of it row arrangement %.1f ms)\n",
            kModeNames[viewMode], static_cast<unsigned>(viewMode == 3 ? width : 2 * width),
            static_cast<unsigned>(height), whole, encoder, whole / encoder, Median(naming), Median(copy),
            Median(arrangement));
    }

    std::printf("load average %s\n", LoadAverage().c_str());
    const double quarter = sideBySide / 4.0 / (1024 * 1024);
    std::printf(
        "peak memory added by one capture (peak working set less the working set just before), each "
        "figure from a fresh process; goal: the capture's own at most a quarter of a %dx%d side-by-side "
        "frame, %.1f MB\n",
        2 * width, height, quarter);
    for (int viewMode = 0; viewMode < 4; ++viewMode) {
        const double alone = MeasureInChild("encoder", viewMode);
        const double whole = MeasureInChild("capture", viewMode);
        if (alone < 0 || whole < 0) {
            std::printf("%s: the memory could not be measured\n", kModeNames[viewMode]);
            continue;
        }
        std::printf("%-11s: capture %.1f MB, encoder alone %.1f MB: the capture's own %.1f MB\n",
                    kModeNames[viewMode], whole, alone, whole - alone);
    }

    DestroyWindow(window);
    DeleteBenchFiles(dir);
    RemoveDirectoryA(dir.c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Korva Corporation");
    return 0;
}
