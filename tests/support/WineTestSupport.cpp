#include "tests/support/WineTestSupport.h"

#include "tests/support/ScreenFile.h"

#include <gtest/gtest.h>
#include <psapi.h>
#include <winternl.h>

#include <cstring>
#include <stdexcept>

namespace testing_support {

std::string PathBesideTest(const std::string& fileName) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length);
    directory.erase(directory.find_last_of("\\/") + 1);
    return directory + fileName;
}

bool Runs32BitPrograms(std::string* why) {
    char text[512] = {};
    if (why && GetEnvironmentVariableA("ZELTO_RUN32_WHY", text, sizeof text) < sizeof text)
        *why = text;
    char answer[8] = {};
    GetEnvironmentVariableA("ZELTO_RUN32", answer, sizeof answer);
    return std::string(answer) != "no";
}

CChildProcess::~CChildProcess() {
    Terminate();
}

bool CChildProcess::Start(const std::string& program, const std::string& arguments) {
    Terminate();
    std::string commandLine = "\"" + program + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &m_info) != FALSE;
}

long CChildProcess::Wait(DWORD timeoutMs) {
    if (!m_info.hProcess)
        return -1;
    if (WaitForSingleObject(m_info.hProcess, timeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(m_info.hProcess, &code);
    return static_cast<long>(code);
}

bool CChildProcess::IsRunning() const {
    return m_info.hProcess && WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT;
}

void CChildProcess::Terminate() {
    if (!m_info.hProcess)
        return;
    if (IsRunning()) {
        TerminateProcess(m_info.hProcess, 99);
        WaitForSingleObject(m_info.hProcess, 5000);
    }
    CloseHandle(m_info.hThread);
    CloseHandle(m_info.hProcess);
    m_info = {};
}

CStandardUserScope::CStandardUserScope() {
    HANDLE process = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_IMPERSONATE, &process))
        return;
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    HANDLE restricted = nullptr;
    if (CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size)) {
        SID_AND_ATTRIBUTES denyOnly{administrators, 0};
        if (CreateRestrictedToken(process, 0, 1, &denyOnly, 0, nullptr, 0, nullptr, &restricted)) {
            m_active = ImpersonateLoggedOnUser(restricted) != FALSE;
            CloseHandle(restricted);
        }
    }
    CloseHandle(process);
}

CStandardUserScope::~CStandardUserScope() {
    if (m_active)
        RevertToSelf();
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

namespace {
INPUT KeyInput(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}
} // namespace

bool TakeKeyboardFocus(HWND window) {
    SetForegroundWindow(window);
    if (!WaitUntil([&] { return GetForegroundWindow() == window; }, 5000))
        return false;
    // The window's thread handles the X focus events when it next takes its messages.
    Sleep(300);
    PumpMessages();
    return true;
}

void PressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys)
        inputs.push_back(KeyInput(key, false));
    for (auto it = keys.end(); it != keys.begin();)
        inputs.push_back(KeyInput(*--it, true));
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void SendKey(WORD key, bool up) {
    INPUT input = KeyInput(key, up);
    SendInput(1, &input, sizeof input);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        PumpMessages();
        Sleep(5);
    }
}

HWND WaitForWindow(const char* className, const char* title, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowA(className, title)) != nullptr; }, timeoutMs);
    return found;
}

HWND StartActivator(CChildProcess& process, DWORD timeoutMs) {
    if (!process.Start(PathBesideTest("Zelto.exe")))
        return nullptr;
    return WaitForActivator(timeoutMs);
}

HWND WaitForActivator(DWORD timeoutMs) {
    HWND window = WaitForWindow("#32770", "Zelto Activator", timeoutMs);
    const std::string dirKey = std::string(kUserProductKeyPath) + "\\1.0\\Dir";
    const bool complete =
        window && WaitUntil(
                      [&] {
                          std::string value;
                          return ReadRegistryString(dirKey, "Zelto Activator ClassName", value) &&
                                 ReadRegistryString(dirKey, "Zelto Activator WindowName", value);
                      },
                      timeoutMs);
    return complete ? window : nullptr;
}

void EndActivator(CChildProcess& process) {
    // 32774 is the main window's "Exit" command.
    if (HWND window = FindWindowA("#32770", "Zelto Activator"))
        PostMessageA(window, WM_COMMAND, 32774, 0);
    if (process.Wait(5000) == -1)
        process.Terminate();
}

std::string ControlText(HWND dialog, int controlId) {
    char text[512] = {};
    HWND control = GetDlgItem(dialog, controlId);
    if (!control)
        return "<no control>";
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_BLOCK,
                             5000, &length))
        return "<no answer>";
    return std::string(text, static_cast<size_t>(length));
}

const char kProductKeyPath[] = "Software\\Korva Corporation\\Zelto Activator";
const char kUserProductKeyPath[] = "HKCU\\Software\\Korva Corporation\\Zelto Activator";

void DeleteProductTree() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Korva Corporation");
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Korva Corporation");
}

// The root that a key path of the helpers names, and the path below it.
static HKEY RootOf(const std::string& keyPath, std::string& below) {
    const bool user = keyPath.rfind("HKCU\\", 0) == 0;
    below = user ? keyPath.substr(5) : keyPath;
    return user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

void WriteRegistryRaw(const std::string& keyPath, const std::string& name, DWORD type, const void* data,
                      DWORD size) {
    HKEY key = nullptr;
    std::string below;
    const HKEY root = RootOf(keyPath, below);
    // Read and write access, all that a standard user (CStandardUserScope) may be given.
    if (LONG status =
            RegCreateKeyExA(root, below.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr))
        throw std::runtime_error("cannot create " + keyPath + " (error " + std::to_string(status) + ")");
    LONG status = RegSetValueExA(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        throw std::runtime_error("cannot write " + keyPath + "\\" + name);
}

void WriteRegistryWide(const std::string& keyPath, const std::string& name, DWORD type, const void* data,
                       DWORD size) {
    HKEY key = nullptr;
    std::string below;
    const HKEY root = RootOf(keyPath, below);
    // Read and write access, all that a standard user (CStandardUserScope) may be given.
    if (LONG status =
            RegCreateKeyExA(root, below.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr))
        throw std::runtime_error("cannot create " + keyPath + " (error " + std::to_string(status) + ")");
    std::wstring wideName(name.begin(), name.end());
    LONG status = RegSetValueExW(key, wideName.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        throw std::runtime_error("cannot write " + keyPath + "\\" + name);
}

void WriteRegistryString(const std::string& keyPath, const std::string& name, const std::string& value) {
    WriteRegistryRaw(keyPath, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void WriteRegistryNumber(const std::string& keyPath, const std::string& name, std::uint32_t value) {
    DWORD number = value;
    WriteRegistryRaw(keyPath, name, REG_DWORD, &number, sizeof number);
}

static bool QueryValue(const std::string& keyPath, const std::string& name, DWORD expectedType,
                       std::vector<char>& data) {
    HKEY key = nullptr;
    std::string below;
    HKEY root = RootOf(keyPath, below);
    if (RegOpenKeyExA(root, below.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    bool ok = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
              type == expectedType;
    if (ok) {
        data.resize(size);
        ok = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                              &size) == ERROR_SUCCESS;
        data.resize(size);
    }
    RegCloseKey(key);
    return ok;
}

bool ReadRegistryString(const std::string& keyPath, const std::string& name, std::string& value) {
    std::vector<char> data;
    if (!QueryValue(keyPath, name, REG_SZ, data))
        return false;
    value.assign(data.data(), strnlen(data.data(), data.size()));
    return true;
}

bool ReadRegistryNumber(const std::string& keyPath, const std::string& name, std::uint32_t& value) {
    std::vector<char> data;
    if (!QueryValue(keyPath, name, REG_DWORD, data) || data.size() != sizeof value)
        return false;
    std::memcpy(&value, data.data(), sizeof value);
    return true;
}

bool RegistryKeyExists(const std::string& keyPath) {
    HKEY key = nullptr;
    std::string below;
    HKEY root = RootOf(keyPath, below);
    if (RegOpenKeyExA(root, below.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

int CountGdiObjects() {
    if (DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return static_cast<int>(count);
    // The PEB's GdiSharedHandleTable: 24-byte entries of which the byte at offset 14 is the object
    // type, 0 for a free entry. Under Wine the table belongs to this process alone.
    const PEB* peb = NtCurrentTeb()->ProcessEnvironmentBlock;
    const auto* table =
        *reinterpret_cast<const unsigned char* const*>(reinterpret_cast<const char*>(peb) + 0xF8);
    if (!table)
        return -1;
    int count = 0;
    for (int entry = 0; entry < 65536; ++entry)
        count += table[entry * 24 + 14] != 0;
    return count;
}

DWORD CountKernelHandles() {
    // Wine's GetProcessHandleCount answers 0, so each handle value in use is asked for: handle values
    // are multiples of 4, handed out from the bottom.
    DWORD count = 0;
    for (UINT_PTR value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++count;
    }
    return count;
}

CProcessUse CProcessUse::Now() {
    CProcessUse use;
    use.gdiObjects = CountGdiObjects();
    use.kernelHandles = CountKernelHandles();
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
        use.privateBytes = memory.PagefileUsage; // the same as PrivateUsage, which Wine leaves at 0
    return use;
}

namespace {
// The description of a 32-bit DIB section whose rows are stored top-down.
BITMAPINFO TopDown32BitInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}
} // namespace

CPixels ReadPixels(HDC dc, int x, int y, int width, int height) {
    CPixels pixels;
    HDC source = dc ? dc : GetDC(nullptr);
    BITMAPINFO info = TopDown32BitInfo(width, height);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(source);
    if (section && memory) {
        HGDIOBJ previous = SelectObject(memory, section);
        if (BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY)) {
            GdiFlush();
            pixels.width = width;
            pixels.height = height;
            const auto* words = static_cast<const std::uint32_t*>(bits);
            pixels.data.assign(words, words + static_cast<size_t>(width) * height);
            for (auto& word : pixels.data)
                word &= 0x00FFFFFF;
        }
        SelectObject(memory, previous);
    }
    if (memory)
        DeleteDC(memory);
    if (section)
        DeleteObject(section);
    if (!dc)
        ReleaseDC(nullptr, source);
    return pixels;
}

CPixels ReadScreen(int x, int y, int width, int height) {
    static const CScreenFile screen;
    CPixels pixels;
    if (!screen.IsOpen()) {
        ADD_FAILURE() << screen.Problem();
        return pixels;
    }
    pixels.data = screen.Read(x, y, width, height);
    if (!pixels.data.empty()) {
        pixels.width = width;
        pixels.height = height;
    }
    return pixels;
}

CPixels CodeBandOf(int width, std::span<const CodeLine> lines) {
    CPixels band;
    band.width = width;
    band.height = kCodeBandHeight;
    band.data.assign(static_cast<size_t>(width) * kCodeBandHeight, 0);
    for (const CodeLine& line : lines)
        for (int x = 0; x < width - 1; ++x)
            band.data[static_cast<size_t>(line.row) * width + x] = PixelOf(line.colour);
    return band;
}

namespace {
const char kPatternClass[] = "ZeltoTestPattern";
}

CPatternWindow::CPatternWindow(const RECT& rect, std::function<COLORREF(int, int)> paint)
    : m_rect(rect), m_paint(std::move(paint)) {
    static bool registered = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &CPatternWindow::WindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kPatternClass;
        return RegisterClassA(&windowClass) != 0;
    }();
    (void)registered;
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    BITMAPINFO info = TopDown32BitInfo(width, height);
    void* bits = nullptr;
    m_image = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (m_image) {
        auto* words = static_cast<std::uint32_t*>(bits);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                words[static_cast<size_t>(y) * width + x] = PixelOf(m_paint(rect.left + x, rect.top + y));
    }

    m_window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kPatternClass, "pattern",
                               WS_POPUP | WS_VISIBLE, rect.left, rect.top, width, height, nullptr, nullptr,
                               GetModuleHandleA(nullptr), this);
    UpdateWindow(m_window);
    PumpMessages();
}

CPatternWindow::~CPatternWindow() {
    if (m_window)
        DestroyWindow(m_window);
    if (m_image)
        DeleteObject(m_image);
    PumpMessages();
}

CPixels CPatternWindow::Expected() const {
    CPixels pixels;
    pixels.width = m_rect.right - m_rect.left;
    pixels.height = m_rect.bottom - m_rect.top;
    pixels.data.reserve(static_cast<size_t>(pixels.width) * pixels.height);
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            pixels.data.push_back(PixelOf(m_paint(m_rect.left + x, m_rect.top + y)));
    return pixels;
}

LRESULT CALLBACK CPatternWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<CPatternWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (self && self->m_image) {
            HDC memory = CreateCompatibleDC(dc);
            HGDIOBJ previous = SelectObject(memory, self->m_image);
            BitBlt(dc, 0, 0, self->m_rect.right - self->m_rect.left, self->m_rect.bottom - self->m_rect.top,
                   memory, 0, 0, SRCCOPY);
            SelectObject(memory, previous);
            DeleteDC(memory);
        }
        EndPaint(window, &paint);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace testing_support
