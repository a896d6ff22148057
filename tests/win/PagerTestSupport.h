#pragma once
// Helpers of the tests that load the shell extension into the test process: its entry points, its
// pages in a property sheet that the test drives, a window that stands in for the Activator, and a
// watcher that reads and closes the message boxes of the test's thread.

#include <windows.h>
#include <commctrl.h>
#include <shobjidl.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// The extension's class id, as the tests know it.
inline constexpr CLSID kPagerClsid = {
    0x6084E61D, 0x468A, 0x4997, {0x85, 0x53, 0x16, 0x1A, 0xD5, 0x77, 0x81, 0xA9}};
inline constexpr char kPagerClsidText[] = "{6084E61D-468A-4997-8553-161AD57781A9}";

// ZeltoPager.dll from beside the test, loaded once for the whole test program, and its exports.
struct CPagerLibrary {
    HMODULE module = nullptr;
    HRESULT(STDAPICALLTYPE* getClassObject)(REFCLSID, REFIID, void**) = nullptr;
    HRESULT(STDAPICALLTYPE* canUnloadNow)() = nullptr;
    HRESULT(STDAPICALLTYPE* registerServer)() = nullptr;
    HRESULT(STDAPICALLTYPE* unregisterServer)() = nullptr;

    static const CPagerLibrary& Get();
    // Another copy of the library, from `path`; it stays loaded for the rest of the program.
    static CPagerLibrary Load(const std::string& path);
    // A new extension object through the class factory; null on any failure.
    IShellPropSheetExt* CreateExtension() const;
};

// The pages that an AddPages call handed over; `accept` is what the callback answers.
struct CCollectedPages {
    std::vector<HPROPSHEETPAGE> pages;
    BOOL accept = TRUE;

    static BOOL CALLBACK Add(HPROPSHEETPAGE page, LPARAM self);
};

// A modeless property sheet of the pages that a fresh extension object adds; the extension object is
// released once the sheet exists, as the shell does.
class CPageSheet {
public:
    CPageSheet() = default;
    ~CPageSheet();
    CPageSheet(const CPageSheet&) = delete;
    CPageSheet& operator=(const CPageSheet&) = delete;

    bool Open(const CPagerLibrary& library = CPagerLibrary::Get());
    HWND Sheet() const { return m_sheet; }
    // The page's window (the current page of the sheet).
    HWND Page() const;
    HWND PageItem(int id) const { return GetDlgItem(Page(), id); }
    bool ApplyEnabled() const;
    // Presses a button of the sheet (PSBTN_APPLYNOW, PSBTN_OK, PSBTN_CANCEL) and runs the messages.
    void Press(int button);
    // Gives the control the keyboard focus and types the keys: each is pressed in order, then all
    // are released in reverse order.
    void Type(int controlId, const std::vector<WORD>& keys);
    // Processes the test thread's messages, the sheet's dialog keys included.
    void Pump() const;
    // Destroys the sheet once it has closed itself (after OK or Cancel), or at once.
    void Close();

private:
    HWND m_sheet = nullptr;
};

// A top-level window of the test thread that stands in for the Activator: it counts the messages the
// page posts to it. Its class and title are recorded as the Activator's identity in the registry.
class CStandInActivator {
public:
    static constexpr char kClassName[] = "ZeltoStandIn";
    static constexpr char kTitle[] = "Stand-in Activator";

    CStandInActivator();
    ~CStandInActivator();
    CStandInActivator(const CStandInActivator&) = delete;
    CStandInActivator& operator=(const CStandInActivator&) = delete;

    // Writes the stand-in's class and title as the Activator's identity under the version key
    // `version`, and names that key in "Current Version".
    static void RecordIdentity(const std::string& version = "1.0");
    HWND Handle() const { return m_window; }
    // The messages received so far (numbers at or above WM_USER, and WM_DESTROY).
    std::vector<UINT> Received() const { return m_received; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_window = nullptr;
    bool m_destroying = false;
    std::vector<UINT> m_received;
};

// Watches for message boxes of one thread on a thread of its own, records their text and buttons
// and closes each with OK (or Cancel when it has no OK button).
class CMessageBoxWatcher {
public:
    struct CBox {
        std::string caption;
        std::string text;
        bool hasOk = false;
        bool hasCancel = false;
    };

    explicit CMessageBoxWatcher(DWORD threadId = GetCurrentThreadId());
    ~CMessageBoxWatcher();
    CMessageBoxWatcher(const CMessageBoxWatcher&) = delete;
    CMessageBoxWatcher& operator=(const CMessageBoxWatcher&) = delete;

    std::vector<CBox> Boxes() const;

private:
    void Watch();

    DWORD m_threadId;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<CBox> m_boxes;
    std::thread m_thread;
};

// The default value (or the value `name`) of a key under HKEY_CLASSES_ROOT; "<missing>" when absent.
std::string ClassesValue(const std::string& key, const char* name = nullptr);
bool ClassesKeyExists(const std::string& key);

// The full path of the program file of the process that owns `window`; empty when unknown.
std::string ProgramOfWindow(HWND window);

// Ends the Activator program that owns the window "#32770" / "Zelto Activator", if any, and waits for
// the window to go.
void EndRunningActivator();

} // namespace testing_support
