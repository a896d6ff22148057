#include "tests/win/DisplayTestSupport.h"

#include "display/DibLayout.h"
#include "display/JpegCodec.h"
#include "display/PngCodec.h"
#include "framework/Handles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <dlgs.h>
#include <cstdlib>
#include <cstring>
#include <thread>

using testing_support::CPixels;
using testing_support::PixelOf;

namespace display_testing {

void FillImage(CDibImage& image, int width, int height, const Colour& colour) {
    image.Free();
    ASSERT_TRUE(
        image.Create(kDibTrueColour, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)));
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = image.RowFromTop(y);
        for (int x = 0; x < width; ++x) {
            COLORREF c = colour(x, y);
            row[3 * x] = GetBValue(c);
            row[3 * x + 1] = GetGValue(c);
            row[3 * x + 2] = GetRValue(c);
        }
    }
}

HGLOBAL MakePackedDib(int width, int height, const Colour& colour) {
    CDibImage image;
    FillImage(image, width, height, colour);
    const std::size_t bytes = 40 + image.GetImageSize();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory)
        return nullptr;
    auto* target = static_cast<std::uint8_t*>(GlobalLock(memory));
    std::memcpy(target, image.Header(), 40);
    std::memcpy(target + 40, image.Pixels(), image.GetImageSize());
    GlobalUnlock(memory);
    return memory;
}

bool WritePairFile(const std::string& path, int width, int height, COLORREF left, COLORREF right) {
    CGlobalMemory dib(MakePackedDib(width, height, [&](int x, int) { return x < width / 2 ? left : right; }));
    return dib && EncodeJpegFile(dib, path.c_str());
}

bool WritePngPairFile(const std::string& path, int width, int height, COLORREF left, COLORREF right) {
    CDibImage image;
    FillImage(image, width, height, [&](int x, int) { return x < width / 2 ? left : right; });
    CFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    CPngRowEncoder encoder;
    if (!file || !encoder.Begin(file, width, height))
        return false;
    // The bitmap is stored bottom-up: a row at a time from the top.
    for (int y = 0; y < height; ++y)
        if (!encoder.WriteRows(image.RowFromTop(y), 1, 3 * width))
            return false;
    return encoder.Finish();
}

testing_support::CBytes MultiPictureBytes(int width, int height, std::initializer_list<COLORREF> colours,
                                          testing_support::CMultiPictureLayout* layout) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string path =
        std::string(temp) + "zelto-picture-" + std::to_string(GetCurrentProcessId()) + ".jpg";
    std::vector<testing_support::CBytes> pictures;
    for (COLORREF colour : colours) {
        EXPECT_TRUE(WritePairFile(path, width, height, colour, colour));
        const std::string bytes = ReadFileBytes(path);
        pictures.emplace_back(bytes.begin(), bytes.end());
    }
    DeleteFileA(path.c_str());
    return testing_support::BuildMultiPictureFile(pictures, false, layout);
}

bool WriteFileBytes(const std::string& path, const testing_support::CBytes& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool WriteBitmapFile(const std::string& path, int width, int height, COLORREF colour, int cutBytes) {
    CDibImage image;
    FillImage(image, width, height, [colour](int, int) { return colour; });
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + 40;
    file.bfSize = file.bfOffBits + image.GetImageSize();
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(image.Header(), 40, 1, out);
    std::fwrite(image.Pixels(), 1, image.GetImageSize() - static_cast<std::uint32_t>(cutBytes), out);
    return std::fclose(out) == 0;
}

CScreenMemory::CScreenMemory() {
    HDC screen = GetDC(nullptr);
    m_width = GetDeviceCaps(screen, HORZRES);
    m_height = GetDeviceCaps(screen, VERTRES);
    m_dc = CreateCompatibleDC(screen);
    m_bitmap = CreateCompatibleBitmap(screen, m_width, m_height);
    ReleaseDC(nullptr, screen);
    m_previous = SelectObject(m_dc, m_bitmap);
}

CScreenMemory::~CScreenMemory() {
    SelectObject(m_dc, m_previous);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
}

void CScreenMemory::Fill(COLORREF colour) {
    CBrush brush(CreateSolidBrush(colour));
    RECT all{0, 0, m_width, m_height};
    FillRect(m_dc, &all, brush);
}

CPixels CScreenMemory::Read() const {
    return testing_support::ReadPixels(m_dc, 0, 0, m_width, m_height);
}

int CountDifferences(const CPixels& pixels, const Colour& expected, const std::string& what) {
    int wrong = 0;
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            const std::uint32_t want = PixelOf(expected(x, y));
            if (pixels.At(x, y) != want && wrong++ < 5)
                ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") is " << std::hex
                              << pixels.At(x, y) << ", expected " << want;
        }
    }
    return wrong;
}

bool Near(std::uint32_t pixel, COLORREF colour, int tolerance) {
    const std::uint32_t want = PixelOf(colour);
    for (int shift : {0, 8, 16}) {
        if (std::abs(static_cast<int>((pixel >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF)) >
            tolerance)
            return false;
    }
    return true;
}

CTempDirectory::CTempDirectory(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    m_path = std::string(temp) + name + "-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(m_path.c_str(), nullptr);
}

CTempDirectory::~CTempDirectory() {
    for (const std::string& file : EnumerateFiles(m_path + "*")) {
        if (file != "." && file != "..") {
            SetFileAttributesA((m_path + file).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA((m_path + file).c_str());
            RemoveDirectoryA((m_path + file).c_str());
        }
    }
    RemoveDirectoryA(m_path.c_str());
}

std::vector<std::string> EnumerateFiles(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    CFindHandle finder(FindFirstFileA(pattern.c_str(), &found));
    if (!finder)
        return names;
    do
        names.emplace_back(found.cFileName);
    while (FindNextFileA(finder, &found));
    return names;
}

void MakeEmptyFile(const std::string& path) {
    if (std::FILE* file = std::fopen(path.c_str(), "wb"))
        std::fclose(file);
}

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            bytes.append(buffer, n);
        std::fclose(file);
    }
    return bytes;
}

std::vector<BandSeen> WatchCodeBand(std::span<const CodeLine> code, std::span<const CodeLine> doubleCode,
                                    const std::function<bool()>& until, DWORD timeoutMs, const RECT* area) {
    const RECT band = area ? *area : RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), kCodeBandHeight};
    const int width = band.right - band.left;
    const int height = band.bottom - band.top;
    const auto bandOf = [&](std::span<const CodeLine> lines) {
        CPixels pixels = testing_support::CodeBandOf(width, lines);
        pixels.height = height;
        pixels.data.resize(static_cast<std::size_t>(width) * height);
        return pixels;
    };
    const CPixels codeBand = bandOf(code);
    const CPixels doubleBand = bandOf(doubleCode);
    std::vector<BandSeen> runs;
    bool inRun = false;
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!until() && GetTickCount64() < end) {
        const CPixels now = area ? testing_support::ReadPixels(nullptr, band.left, band.top, width, height)
                                 : testing_support::ReadScreen(0, 0, width, kCodeBandHeight);
        if (now.data.empty())
            break;
        const bool isCode = now == codeBand;
        const bool isDouble = !doubleCode.empty() && now == doubleBand;
        if (isCode || isDouble) {
            const BandSeen seen = isCode ? BandSeen::Code : BandSeen::DoubleCode;
            if (!inRun || runs.back() != seen)
                runs.push_back(seen);
        }
        inRun = isCode || isDouble;
        Sleep(5);
    }
    return runs;
}

const char* NameOf(CloseWay way) {
    switch (way) {
    case CloseWay::kAltF4:
        return "Alt+F4";
    case CloseWay::kCloseMessage:
        return "WM_CLOSE";
    case CloseWay::kCancelCommand:
        return "IDCANCEL";
    case CloseWay::kOkCommand:
        return "IDOK";
    case CloseWay::kEndSession:
        return "WM_ENDSESSION";
    case CloseWay::kQuitMessage:
        return "WM_QUIT";
    }
    return "?";
}

void RequestClose(HWND window, DWORD uiThread, CloseWay way) {
    switch (way) {
    case CloseWay::kAltF4: {
        INPUT keys[4] = {};
        const WORD sequence[4][2] = {
            {VK_MENU, 0}, {VK_F4, 0}, {VK_F4, KEYEVENTF_KEYUP}, {VK_MENU, KEYEVENTF_KEYUP}};
        for (int i = 0; i < 4; ++i) {
            keys[i].type = INPUT_KEYBOARD;
            keys[i].ki.wVk = sequence[i][0];
            keys[i].ki.dwFlags = sequence[i][1];
        }
        SetForegroundWindow(window);
        SendInput(4, keys, sizeof(INPUT));
        break;
    }
    case CloseWay::kCloseMessage:
        PostMessageA(window, WM_CLOSE, 0, 0);
        break;
    case CloseWay::kCancelCommand:
    case CloseWay::kOkCommand:
        PostMessageA(window, WM_COMMAND,
                     MAKEWPARAM(way == CloseWay::kOkCommand ? IDOK : IDCANCEL, BN_CLICKED), 0);
        break;
    case CloseWay::kEndSession:
        // Sent, as the system sends it, without waiting for the answer.
        SendNotifyMessageA(window, WM_ENDSESSION, TRUE, 0);
        break;
    case CloseWay::kQuitMessage:
        PostThreadMessageA(uiThread, WM_QUIT, 0, 0);
        break;
    }
}

std::vector<BandSeen> CloseAndWatch(HWND window, DWORD uiThread, CloseWay way) {
    ULONGLONG goneAt = 0;
    RequestClose(window, uiThread, way);
    return WatchCodeBand(DoubleNormalPattern(), PatternForCode(kCodeNormal), [&] {
        if (goneAt == 0 && !IsWindow(window))
            goneAt = GetTickCount64();
        return goneAt != 0 && GetTickCount64() > goneAt + 300;
    });
}

void DiscardQuitMessage() {
    MSG quit;
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

namespace {
BOOL CALLBACK AppendStaticText(HWND control, LPARAM parameter) {
    char className[16] = {};
    GetClassNameA(control, className, sizeof className);
    char text[1024] = {};
    DWORD_PTR length = 0;
    // WM_GETTEXT crosses processes; GetWindowText would not ask another process's control.
    if (lstrcmpiA(className, "Static") == 0 &&
        SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_BLOCK,
                            5000, &length))
        reinterpret_cast<std::string*>(parameter)->append(text, static_cast<std::size_t>(length));
    return TRUE;
}
} // namespace

std::string MessageBoxText(HWND box) {
    std::string text;
    EnumChildWindows(box, AppendStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
}

namespace {
struct ThreadWindowSearch {
    HWND except;
    HWND found;
};
BOOL CALLBACK TakeVisibleWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<ThreadWindowSearch*>(parameter);
    if (window != search->except && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}
} // namespace

HWND FindThreadWindow(DWORD threadId, HWND except) {
    ThreadWindowSearch search{except, nullptr};
    EnumThreadWindows(threadId, TakeVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void CWindowScript::Check(bool condition, const std::string& what) {
    if (condition)
        return;
    // What covers the middle of the screen, should it be another window than the one under test.
    HWND middle = GetAncestor(
        WindowFromPoint({GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2}), GA_ROOT);
    char className[64] = {};
    char title[128] = {};
    GetClassNameA(middle, className, sizeof className);
    GetWindowTextA(middle, title, sizeof title);
    DWORD process = 0;
    GetWindowThreadProcessId(middle, &process);
    problems.push_back(what + (middle == window ? std::string()
                                                : " (the middle of the screen shows \"" + std::string(title) +
                                                      "\" of class " + className + ", process " +
                                                      std::to_string(process) + ")"));
}

bool CWindowScript::WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() > end)
            return false;
        Sleep(5);
    }
    return true;
}

HWND CWindowScript::WaitForWindow(HWND except, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindThreadWindow(uiThread, except)) != nullptr || *modalEnded; },
            timeoutMs);
    return found;
}

void CWindowScript::PressKey(WPARAM key) const {
    PostMessageA(window, WM_KEYDOWN, key, 1);
}

void CWindowScript::Click(UINT buttonMessage) const {
    PostMessageA(window, buttonMessage, buttonMessage == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON,
                 MAKELPARAM(10, 10));
}

void CWindowScript::PressButton(HWND dialog, int id) const {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool CWindowScript::ChooseInFileDialog(HWND owner, const std::string& path) {
    HWND fileDialog = nullptr;
    if (!WaitFor([&] { return (fileDialog = FindThreadWindow(uiThread, owner)) != nullptr; }))
        return false;
    // The file name box: a combo box with an edit field (cmb13) in the Explorer-style dialog, an edit
    // field (edt1) in the old one.
    HWND name = GetDlgItem(fileDialog, cmb13);
    if (!name)
        name = GetDlgItem(fileDialog, edt1);
    if (!name)
        return false;
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(fileDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(fileDialog, IDOK)));
    return WaitFor([&] { return !IsWindow(fileDialog); });
}

INT_PTR RunModalWithScript(CDialog& dialog, const std::function<void(CWindowScript&)>& script) {
    std::atomic<bool> ended{false};
    CWindowScript run;
    run.uiThread = GetCurrentThreadId();
    run.modalEnded = &ended;
    std::thread driver([&] {
        run.window = run.WaitForWindow(nullptr, 10000);
        if (!run.window)
            return;
        script(run);
        if (!ended && !run.WaitFor([&] { return ended.load(); }, 3000)) {
            run.problems.push_back("the window was still open after the script");
            PostMessageA(run.window, WM_CLOSE, 0, 0);
        }
    });
    const INT_PTR result = dialog.DoModal();
    ended = true;
    driver.join();
    DiscardQuitMessage();
    for (const std::string& problem : run.problems)
        ADD_FAILURE() << problem;
    return result;
}

} // namespace display_testing
