#pragma once
// Helpers for the tests that run against the real Windows API under Wine: other programs of the
// suite started as child processes, waiting for windows, the product's registry tree, the screen's
// pixels and the process's GDI objects.

#include "linecode/LineCodePatterns.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace testing_support {

// The full path of a file beside the running test program (the build puts every program there).
std::string PathBesideTest(const std::string& fileName);

// Whether this machine runs 32-bit programs, as the test session found out (ZELTO_RUN32, set by
// tools/wine-session.sh; taken as yes when unset); `why` gets the session's reason.
bool Runs32BitPrograms(std::string* why = nullptr);

// A program started for a test; ended (terminated) when the object goes, if it still runs.
class CChildProcess {
public:
    CChildProcess() = default;
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // Starts `program` (a path) with `arguments`; false when it cannot be started.
    bool Start(const std::string& program, const std::string& arguments = {});
    // Waits for the program to end; its exit code, or -1 when it is still running after `timeoutMs`.
    long Wait(DWORD timeoutMs);
    bool IsRunning() const;
    DWORD ProcessId() const { return m_info.dwProcessId; }
    DWORD ThreadId() const { return m_info.dwThreadId; }
    HANDLE Process() const { return m_info.hProcess; }
    void Terminate();

private:
    PROCESS_INFORMATION m_info{};
};

// Starts the Activator (Zelto.exe beside the test program) as `process` and waits until its main
// window is complete (WaitForActivator). The window, or null after `timeoutMs`.
HWND StartActivator(CChildProcess& process, DWORD timeoutMs = 10000);
// Waits until the Activator's main window is complete: the window exists and its identity is recorded
// in the user's registry, which start-up does after filling and hiding the window. The window, or null
// after `timeoutMs`.
HWND WaitForActivator(DWORD timeoutMs = 10000);
// Ends a running Activator with its "Exit" command (or, failing that, terminates `process`) and waits
// for it.
void EndActivator(CChildProcess& process);

// While it lives, the thread that made it acts as a standard user: its token is the process's with
// the Administrators group kept for denying access only. Under Wine every program runs as an
// administrator; Wine checks access to a registry key that has access rules of its own against this
// token as Windows checks it for a member of Users alone. (Keys that Wine created without rules are
// open to every token.)
class CStandardUserScope {
public:
    CStandardUserScope();
    ~CStandardUserScope();
    CStandardUserScope(const CStandardUserScope&) = delete;
    CStandardUserScope& operator=(const CStandardUserScope&) = delete;

    // False when the token could not be made or taken on.
    bool Active() const { return m_active; }

private:
    bool m_active = false;
};

// Polls `condition` every few milliseconds, processing this thread's messages meanwhile; true as soon
// as it holds, false when `timeoutMs` passed first.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// The top-level window of that class and title, waiting up to `timeoutMs` for it to appear.
HWND WaitForWindow(const char* className, const char* title, DWORD timeoutMs);

// The text of a control of another process's window (WM_GETTEXT crosses processes).
std::string ControlText(HWND dialog, int controlId);

// The product's registry tree: HKEY_LOCAL_MACHINE\Software\Korva Corporation\Zelto Activator.
extern const char kProductKeyPath[];
// The user's own tree, HKEY_CURRENT_USER\Software\Korva Corporation\Zelto Activator, as a key path of
// the readers below, which take a path that starts with "HKCU\" as one of HKEY_CURRENT_USER.
extern const char kUserProductKeyPath[];
// Deletes Software\Korva Corporation with everything below it, the machine's and the user's.
void DeleteProductTree();
// Writes a value under HKEY_LOCAL_MACHINE\<keyPath> (HKEY_CURRENT_USER for a path that starts with
// "HKCU\"), creating the key.
void WriteRegistryString(const std::string& keyPath, const std::string& name, const std::string& value);
void WriteRegistryNumber(const std::string& keyPath, const std::string& name, std::uint32_t value);
void WriteRegistryRaw(const std::string& keyPath, const std::string& name, DWORD type, const void* data,
                      DWORD size);
// Writes the bytes of `data` exactly as given through the wide-character call (the ANSI call converts
// strings and may terminate them).
void WriteRegistryWide(const std::string& keyPath, const std::string& name, DWORD type, const void* data,
                       DWORD size);
// Reads a REG_SZ value under <keyPath>; false when missing.
bool ReadRegistryString(const std::string& keyPath, const std::string& name, std::string& value);
bool ReadRegistryNumber(const std::string& keyPath, const std::string& name, std::uint32_t& value);
bool RegistryKeyExists(const std::string& keyPath);

// The number of GDI objects that this process holds. Wine's GetGuiResources answers 0, so the count
// comes from the process's GDI handle table, which Wine and Windows both publish in the PEB.
int CountGdiObjects();
// The number of kernel handles that this process holds.
DWORD CountKernelHandles();
// What this process holds, to be compared before and after work that must leave nothing behind.
struct CProcessUse {
    int gdiObjects = 0;
    DWORD kernelHandles = 0;
    std::uint64_t privateBytes = 0; // private memory committed
    static CProcessUse Now();
};

// Pixels read from a device context, 0x00RRGGBB each (the layout of a 32-bit top-down DIB).
struct CPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> data;

    std::uint32_t At(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
    bool operator==(const CPixels& other) const = default;
};
// A COLORREF (0x00BBGGRR) in the layout of CPixels.
constexpr std::uint32_t PixelOf(COLORREF colour) {
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}
// Reads the rectangle (x, y, width, height) of `dc`; of the whole screen for a null dc.
CPixels ReadPixels(HDC dc, int x, int y, int width, int height);
// Reads the rectangle of the screen as the X server shows it (tests/support/ScreenFile.h): what the
// user and the stereo controller see, not what a window of this process drew into its own surface.
// Empty, with a test failure, when the X server's screen file cannot be read.
CPixels ReadScreen(int x, int y, int width, int height);

// The top band as a line-code emission shows it: black, with the lines of `lines` on columns 0 to
// width - 2.
CPixels CodeBandOf(int width, std::span<const CodeLine> lines);

// A top-most pop-up window of this thread that covers `rect` of the screen and paints every pixel
// (x, y) with the colour `paint(x, y)` (COLORREF). It is shown and painted when constructed.
class CPatternWindow {
public:
    CPatternWindow(const RECT& rect, std::function<COLORREF(int, int)> paint);
    ~CPatternWindow();
    CPatternWindow(const CPatternWindow&) = delete;
    CPatternWindow& operator=(const CPatternWindow&) = delete;

    HWND Handle() const { return m_window; }
    // The pixels the window shows, as it would draw them, in screen coordinates of its rectangle.
    CPixels Expected() const;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    RECT m_rect;
    std::function<COLORREF(int, int)> m_paint;
    HBITMAP m_image = nullptr;
    HWND m_window = nullptr;
};

// Runs this thread's message queue until it is empty.
void PumpMessages();

// Makes `window` the foreground window and waits until it is and the X server's focus change has been
// handled: Wine then sets the modifier keys' state to the X server's, which would undo a modifier
// pressed with SendInput meanwhile. False when the window did not come to the front.
bool TakeKeyboardFocus(HWND window);

// Presses `keys` in order and releases them in reverse order, as key events of the system
// (SendInput): Shift, Control and Alt first make a hotkey.
void PressKeys(std::initializer_list<WORD> keys);
// One key event: `key` going down, or up.
void SendKey(WORD key, bool up);

} // namespace testing_support
