// The whole road of a hotkey: the Activator (Zelto.exe) runs as a child process with its hook; the key
// target, a 32-bit and a 64-bit program in turn, is in front and receives the keys; this process sends
// keys (SendInput) or has the X server send them (xdotool, the road of a real keyboard), and watches
// the screen, the programs and the Activator's status line.

#include "activator/resource.h"
#include "linecode/LineCodePatterns.h"
#include "settings/ActivatorMessages.h"
#include "tests/support/WineTestSupport.h"
#include "tests/win/CaptureFixture.h"
#include "tests/win/KeyTarget.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace testing_support;

namespace {

// Watches the screen's top band from a thread of its own: how often each of two codes came up.
class CCodeSampler {
public:
    CCodeSampler(std::span<const CodeLine> first, std::span<const CodeLine> second = {})
        : m_first(first), m_second(second), m_thread([this] { Run(); }) {}
    ~CCodeSampler() {
        m_stop = true;
        m_thread.join();
    }
    // The times the first code came up, and whether the second one was seen.
    int FirstShown() const { return m_firstShown; }
    bool SawSecond() const { return m_sawSecond; }

private:
    // Looked for in the middle and at the right end of the band: the shell's notification area and its
    // notifications may cover the top left corner (Wine shows them there), and the code is blitted onto
    // the screen, under which such a window may paint itself anew at any moment.
    static bool Shows(const CPixels& band, std::span<const CodeLine> code) {
        for (const CodeLine& line : code) {
            if (band.At(band.width / 2, line.row) != PixelOf(line.colour) ||
                band.At(band.width - 2, line.row) != PixelOf(line.colour))
                return false;
        }
        return !code.empty();
    }
    void Run() {
        const int width = GetSystemMetrics(SM_CXSCREEN);
        bool shown = false;
        while (!m_stop) {
            CPixels band = ReadScreen(0, 0, width, 32);
            if (band.width > 0) {
                const bool showsFirst = Shows(band, m_first);
                if (showsFirst && !shown)
                    ++m_firstShown;
                shown = showsFirst;
                m_sawSecond = m_sawSecond || Shows(band, m_second);
            }
            Sleep(10);
        }
    }

    std::span<const CodeLine> m_first;
    std::span<const CodeLine> m_second;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_firstShown{0};
    std::atomic<bool> m_sawSecond{false};
    std::thread m_thread;
};

// A key target program (KeyTarget.h) of one bitness, started for the test.
class CKeyTarget {
public:
    bool Start(int bitness) {
        m_title = kKeyTargetTitle + std::to_string(bitness);
        if (!m_process.Start(PathBesideTest("key_target_" + std::to_string(bitness) + ".exe")))
            return false;
        m_window = WaitForWindow("ZeltoKeyTarget", m_title.c_str(), 10000);
        return m_window != nullptr;
    }
    ~CKeyTarget() {
        if (m_window)
            PostMessageA(m_window, WM_CLOSE, 0, 0);
        m_process.Wait(5000);
    }

    const std::string& Title() const { return m_title; }
    HANDLE Process() const { return m_process.Process(); }
    LRESULT Ask(UINT message, WPARAM wParam = 0) const {
        DWORD_PTR answer = static_cast<DWORD_PTR>(-1);
        SendMessageTimeoutA(m_window, message, wParam, 0, SMTO_BLOCK, 5000, &answer);
        return static_cast<LRESULT>(answer);
    }
    // The key presses it received, auto-repeats marked with 0x10000.
    std::vector<LRESULT> Presses() const {
        std::vector<LRESULT> presses;
        for (LRESULT i = 0, count = Ask(kKeyTargetCount); i < count; ++i)
            presses.push_back(Ask(kKeyTargetPress, static_cast<WPARAM>(i)));
        return presses;
    }
    bool Received(LRESULT press) const {
        const std::vector<LRESULT> presses = Presses();
        return std::find(presses.begin(), presses.end(), press) != presses.end();
    }
    bool TakeFront() const { return TakeKeyboardFocus(m_window) && Ask(kKeyTargetPing) == 1; }
    // Milliseconds of the slowest of `count` message round trips through the program's loop.
    double SlowestRoundTrip(int count) const {
        double slowest = 0;
        for (int i = 0; i < count; ++i) {
            LARGE_INTEGER frequency, start, end;
            QueryPerformanceFrequency(&frequency);
            QueryPerformanceCounter(&start);
            Ask(kKeyTargetPing);
            QueryPerformanceCounter(&end);
            slowest = std::max(slowest, 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                                            static_cast<double>(frequency.QuadPart));
            Sleep(20);
        }
        return slowest;
    }

private:
    CChildProcess m_process;
    HWND m_window = nullptr;
    std::string m_title;
};

// Has the X server type `keys` (xdotool's command words) into the window titled `title`, focused first
// as a user's click would. Wine starts the native program but gives no handle to wait for it: the
// effects of the keys are what the caller waits for.
void TypeWithXServer(const std::string& title, const std::string& keys) {
    std::string command = "/usr/bin/xdotool search --name \"^" + title + "$\" windowfocus --sync " + keys;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        if (process.hThread)
            CloseHandle(process.hThread);
        if (process.hProcess)
            CloseHandle(process.hProcess);
    }
}

// Whether the shell shows a notification balloon (a balloon tooltip of the notification area).
bool BalloonShown() {
    bool shown = false;
    EnumWindows(
        [](HWND window, LPARAM found) -> BOOL {
            char className[64] = {};
            GetClassNameA(window, className, sizeof className);
            if (std::string(className) == TOOLTIPS_CLASSA && IsWindowVisible(window) &&
                (GetWindowLongA(window, GWL_STYLE) & TTS_BALLOON))
                *reinterpret_cast<bool*>(found) = true;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&shown));
    return shown;
}

class HotKeysInOtherPrograms : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        ASSERT_EQ(FindWindowA("#32770", "Zelto Activator"), nullptr)
            << "an Activator from elsewhere is running";
        WriteCaptureSettings(0, Dir(), "Multi_");
        activatorWindow = StartActivator(activator);
        ASSERT_NE(activatorWindow, nullptr);
    }
    void TearDown() override {
        EndActivator(activator);
        CaptureFixture::TearDown();
    }

    std::string Status() const { return ControlText(activatorWindow, IDC_STATUS); }
    // Waits for picture `name` of the series to be written.
    bool Captured(const std::string& name) const {
        return WaitUntil(
            [&] {
                const DWORD size = FileSize(name);
                return size != INVALID_FILE_SIZE && size > 0;
            },
            10000);
    }
    // Puts a text into the status line that no step of the tests expects.
    void ClearStatus() const {
        SendMessageTimeoutA(activatorWindow, kMsgResultPageFlip, 0, 0, SMTO_BLOCK, 5000, nullptr);
    }

    HWND activatorWindow = nullptr;
    CChildProcess activator;
};

} // namespace

// The program in front is a 32-bit or a 64-bit one.
class HotKeysInAProgramOfEachBitness : public HotKeysInOtherPrograms,
                                       public testing::WithParamInterface<int> {};

TEST_P(HotKeysInAProgramOfEachBitness, EveryHotKeyActsAndTheProgramGetsTheKey) {
    const int bitness = GetParam();
    std::string why;
    if (bitness == 32 && !Runs32BitPrograms(&why))
        GTEST_SKIP() << "32-bit programs cannot run: " << why;
    int captures = 0;
    auto nextCapture = [&] { return "Multi_0" + std::to_string(captures++) + ".jps"; };
    {
        CKeyTarget program;
        ASSERT_TRUE(program.Start(bitness));
        ASSERT_EQ(program.Ask(kKeyTargetBitness), bitness);
        BOOL wow64 = FALSE;
        IsWow64Process(program.Process(), &wow64);
        EXPECT_EQ(wow64 != FALSE, bitness == 32);
        ASSERT_TRUE(program.TakeFront());

        // Interlace from SendInput: both codes on the screen, the program answering meanwhile, the
        // result in the Activator's status line, and the keys typed during the codes all received.
        ClearStatus();
        {
            CCodeSampler sampler(PatternForCode(kCodeInterlace), DoubleInterlacePattern());
            PressKeys({VK_SHIFT, VK_F9});
            PressKeys({'A'});
            PressKeys({'B'});
            PressKeys({'C'});
            ASSERT_TRUE(WaitUntil([&] { return sampler.FirstShown() > 0; }, 5000))
                << "status \"" << Status() << "\", " << program.Presses().size() << " keys received";
            EXPECT_LT(program.SlowestRoundTrip(10), 250.0) << "the program in front was held up";
            EXPECT_TRUE(WaitUntil([&] { return Status() == "Interlacing "; }, 10000)) << Status();
            EXPECT_TRUE(sampler.SawSecond()) << "the double-height Interlace code was not seen";
        }
        EXPECT_EQ(program.Presses(), (std::vector<LRESULT>{VK_SHIFT, VK_F9, 'A', 'B', 'C'}));

        // Line Blank from the X server, held while the X server repeats it: one code only.
        program.Ask(kKeyTargetClear);
        {
            CCodeSampler sampler(PatternForCode(kCodeLineBlank));
            TypeWithXServer(program.Title(), "keydown shift keydown F11 sleep 1.5 keyup F11 keyup shift");
            EXPECT_TRUE(WaitUntil([&] { return program.Received(VK_F11 | 0x10000); }, 10000))
                << "the X server did not repeat the key";
            EXPECT_TRUE(
                WaitUntil([&] { return program.Received(VK_SHIFT) && Status() == "Line Blanking "; }, 10000))
                << Status();
            Sleep(1500);
            EXPECT_EQ(sampler.FirstShown(), 1);
        }

        // The capture, from SendInput and from the X server: the next files of the series.
        ClearStatus();
        PressKeys({VK_SCROLL});
        EXPECT_TRUE(Captured(nextCapture()));
        EXPECT_TRUE(WaitUntil([&] { return Status() == "Capture "; }, 5000)) << Status();
        TypeWithXServer(program.Title(), "key Scroll_Lock");
        EXPECT_TRUE(Captured(nextCapture()));
        EXPECT_TRUE(program.Received(VK_SCROLL));
    }
    EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"Multi_00.jps", "Multi_01.jps"}));
    // The Activator confirmed the captures in the notification area (the shell shows one at a time).
    EXPECT_TRUE(WaitUntil(BalloonShown, 5000));
}

INSTANTIATE_TEST_SUITE_P(Bitness, HotKeysInAProgramOfEachBitness, testing::Values(32, 64),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::to_string(info.param) + "bit";
                         });

TEST_F(HotKeysInOtherPrograms, HotKeysActWhileTheActivatorsOwnWindowAndDialogsAreInFront) {
    PostMessageA(activatorWindow, WM_COMMAND, ID_PROPERTIES, 0);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == activatorWindow; }, 5000));
    ASSERT_TRUE(TakeKeyboardFocus(activatorWindow));
    PressKeys({VK_SHIFT, VK_F10}); // Sync Double
    EXPECT_TRUE(WaitUntil([&] { return Status() == "Sync. Doubling "; }, 10000)) << Status();

    // The capture settings run modally on the Activator's thread.
    PostMessageA(activatorWindow, WM_COMMAND, MAKEWPARAM(IDC_CAPTURE_SETTINGS, BN_CLICKED), 0);
    HWND settings = WaitForWindow("#32770", "Capture Settings", 5000);
    ASSERT_NE(settings, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == settings; }, 5000));
    ASSERT_TRUE(TakeKeyboardFocus(settings));
    PressKeys({VK_SCROLL});
    EXPECT_TRUE(Captured("Multi_00.jps"));
    EXPECT_TRUE(WaitUntil([&] { return Status() == "Capture "; }, 5000)) << Status();
    PostMessageA(settings, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(HotKeysInOtherPrograms, AReloadChangesTheHotKeyTheHookReactsTo) {
    CKeyTarget program;
    ASSERT_TRUE(program.Start(64));
    ASSERT_TRUE(program.TakeFront());
    const std::string normalKey = std::string(kProductKeyPath) + "\\1.0\\HotKey\\Normal";
    WriteRegistryNumber(normalKey, "Virtual Key Code", VK_F11);
    WriteRegistryNumber(normalKey, "Modifiers", HOTKEYF_CONTROL);
    PostMessageA(activatorWindow, kMsgReloadSettings, 0, 0);
    EXPECT_TRUE(WaitUntil(
        [&] {
            DWORD_PTR word = 0;
            SendMessageTimeoutA(GetDlgItem(activatorWindow, IDC_HOTKEY_NORMAL), HKM_GETHOTKEY, 0, 0,
                                SMTO_BLOCK, 5000, &word);
            return word == 0x027A;
        },
        5000));

    PressKeys({VK_SHIFT, VK_F12}); // the Normal hotkey before the reload
    EXPECT_TRUE(WaitUntil([&] { return program.Received(VK_F12); }, 5000));
    Sleep(300);
    EXPECT_EQ(Status(), "");
    PressKeys({VK_CONTROL, VK_F11});
    EXPECT_TRUE(WaitUntil([&] { return Status() == "Normal "; }, 10000)) << Status();
}

TEST_F(HotKeysInOtherPrograms, AfterExitNoHotKeyActsAndTheKeysGoOn) {
    PostMessageA(activatorWindow, WM_COMMAND, ID_EXIT, 0);
    ASSERT_EQ(activator.Wait(10000), 0);
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = activatorWindow;
    record.uID = kTrayIconId;
    EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &record)) << "the tray icon is still there";

    CKeyTarget program;
    ASSERT_TRUE(program.Start(Runs32BitPrograms() ? 32 : 64));
    ASSERT_TRUE(program.TakeFront());
    {
        CCodeSampler sampler(PatternForCode(kCodeInterlace));
        PressKeys({VK_SHIFT, VK_F9});
        PressKeys({VK_SCROLL});
        EXPECT_TRUE(WaitUntil([&] { return program.Received(VK_SCROLL); }, 5000));
        Sleep(700);
        EXPECT_EQ(sampler.FirstShown(), 0);
    }
    EXPECT_TRUE(program.Received(VK_F9));
    EXPECT_TRUE(FilesInDir().empty());
}
