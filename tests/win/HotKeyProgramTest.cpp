// The whole road of a hotkey across processes: the Activator (Zelto.exe) runs as a child and installs
// the hook; this program owns the foreground window and receives the keys, so the hook runs here, on
// this thread. A sampling thread of this process watches the line code on the screen.

#include "activator/resource.h"
#include "linecode/LineCodePatterns.h"
#include "settings/ActivatorMessages.h"
#include "tests/support/WineTestSupport.h"
#include "tests/win/CaptureFixture.h"
#include "tests/win/TestWindow.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <initializer_list>
#include <thread>

using namespace testing_support;

namespace {

std::vector<WPARAM> g_keysDown;

LRESULT CALLBACK KeyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN)
        g_keysDown.push_back(wParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

// Presses `keys` in order and releases them in reverse order, as real key events.
void PressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        inputs.push_back(input);
    }
    for (auto it = keys.end(); it != keys.begin();) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *--it;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Watches the screen's top band from a thread of its own and notes which of two codes it has seen.
class CCodeSampler {
public:
    CCodeSampler(std::span<const CodeLine> first, std::span<const CodeLine> second)
        : m_first(first), m_second(second), m_thread([this] { Run(); }) {}
    ~CCodeSampler() {
        m_stop = true;
        m_thread.join();
    }
    bool SawFirst() const { return m_sawFirst; }
    bool SawSecond() const { return m_sawSecond; }

private:
    static bool Shows(const CPixels& band, std::span<const CodeLine> code) {
        for (const CodeLine& line : code) {
            if (band.At(0, line.row) != PixelOf(line.colour) ||
                band.At(band.width - 2, line.row) != PixelOf(line.colour))
                return false;
        }
        return !code.empty();
    }
    void Run() {
        const int width = GetSystemMetrics(SM_CXSCREEN);
        while (!m_stop) {
            CPixels band = ReadPixels(nullptr, 0, 0, width, 32);
            if (band.width > 0) {
                m_sawFirst = m_sawFirst || Shows(band, m_first);
                m_sawSecond = m_sawSecond || Shows(band, m_second);
            }
            Sleep(10);
        }
    }

    std::span<const CodeLine> m_first;
    std::span<const CodeLine> m_second;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_sawFirst{false};
    std::atomic<bool> m_sawSecond{false};
    std::thread m_thread;
};

class HotKeysInAnotherProgram : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        ASSERT_EQ(FindWindowA("#32770", "Zelto Activator"), nullptr)
            << "an Activator from elsewhere is running";
        WriteCaptureSettings(0, Dir(), "Multi_");

        // Clear of the top band, where the line code shows.
        keyWindow = CreateTestWindow("HotKeyProgramWindow", KeyWindowProc, WS_EX_TOPMOST,
                                     WS_POPUP | WS_VISIBLE, RECT{300, 300, 500, 400});
        ASSERT_NE(keyWindow, nullptr);

        activatorWindow = StartActivator(activator);
        ASSERT_NE(activatorWindow, nullptr);
        ASSERT_TRUE(TakeFocus());
        g_keysDown.clear();
    }
    void TearDown() override {
        EndActivator(activator);
        DestroyWindow(keyWindow);
        CaptureFixture::TearDown();
    }

    bool TakeFocus() {
        SetForegroundWindow(keyWindow);
        SetFocus(keyWindow);
        return WaitUntil([&] { return GetForegroundWindow() == keyWindow; }, 5000);
    }
    std::string Status() const { return ControlText(activatorWindow, IDC_STATUS); }
    bool KeyArrived(WPARAM key) const {
        return std::find(g_keysDown.begin(), g_keysDown.end(), key) != g_keysDown.end();
    }

    HWND keyWindow = nullptr;
    HWND activatorWindow = nullptr;
    CChildProcess activator;
};

} // namespace

TEST_F(HotKeysInAnotherProgram, AModeHotKeyEmitsHereReportsToTheActivatorAndPassesTheKeyOn) {
    ASSERT_EQ(Status(), "");
    {
        CCodeSampler sampler(PatternForCode(kCodeInterlace), DoubleInterlacePattern());
        PressKeys({VK_SHIFT, VK_F9}); // Interlace, the built-in Shift+F9
        EXPECT_TRUE(WaitUntil([&] { return Status() == "Interlacing "; }, 10000)) << Status();
        EXPECT_TRUE(sampler.SawFirst()) << "the Interlace code was not seen in this process";
        EXPECT_TRUE(sampler.SawSecond()) << "the double-height Interlace code was not seen in this process";
    }
    EXPECT_NE(GetModuleHandleA("ZeltoKey.dll"), nullptr) << "the hook did not run in this process";
    EXPECT_TRUE(WaitUntil([&] { return KeyArrived(VK_F9); }, 5000)) << "the key did not reach the program";
    EXPECT_TRUE(KeyArrived(VK_SHIFT));

    // A key that matches nothing reports nothing.
    SendMessageTimeoutA(activatorWindow, kMsgResultCapture, 0, 0, SMTO_BLOCK, 5000, nullptr);
    PressKeys({'A'});
    EXPECT_TRUE(WaitUntil([&] { return KeyArrived('A'); }, 5000));
    Sleep(300);
    PumpMessages();
    EXPECT_EQ(Status(), "Capture ");
}

TEST_F(HotKeysInAnotherProgram, TheCaptureHotKeyWritesTheNextFilesOfTheSeries) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    CDecodedPicture picture;
    PressKeys({VK_SCROLL}); // the built-in capture hotkey
    ASSERT_TRUE(WaitUntil(
        [&] { return FileSize("Multi_00.jps") > 0 && FileSize("Multi_00.jps") != INVALID_FILE_SIZE; },
        10000));
    PressKeys({VK_SCROLL});
    ASSERT_TRUE(WaitUntil(
        [&] { return FileSize("Multi_01.jps") > 0 && FileSize("Multi_01.jps") != INVALID_FILE_SIZE; },
        10000));
    EXPECT_EQ(FilesInDir(), (std::vector<std::string>{"Multi_00.jps", "Multi_01.jps"}));
    ASSERT_TRUE(DecodePicture(Dir() + "Multi_01.jps", picture));
    EXPECT_EQ(picture.width, 2 * width);
    EXPECT_EQ(picture.height, height);

    WriteRegistryNumber(kCaptureSettingsKey, "View Mode", 3);
    PressKeys({VK_SCROLL});
    ASSERT_TRUE(WaitUntil(
        [&] { return FileSize("Multi_00.jpg") > 0 && FileSize("Multi_00.jpg") != INVALID_FILE_SIZE; },
        10000));
    ASSERT_TRUE(DecodePicture(Dir() + "Multi_00.jpg", picture));
    EXPECT_EQ(picture.width, width);
    EXPECT_EQ(picture.height, height);
    EXPECT_TRUE(KeyArrived(VK_SCROLL));
    // The capture sends nothing to the Activator.
    EXPECT_EQ(Status(), "");

    // With a directory that does not exist nothing is written, and the program goes on.
    WriteRegistryString(kCaptureSettingsKey, "Dir", Dir() + "missing\\");
    g_keysDown.clear();
    PressKeys({VK_SCROLL});
    EXPECT_TRUE(WaitUntil([&] { return KeyArrived(VK_SCROLL); }, 5000));
    EXPECT_EQ(FilesInDir().size(), 3u);
}

TEST_F(HotKeysInAnotherProgram, AReloadChangesTheHotKeyTheHookReactsTo) {
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
    EXPECT_TRUE(WaitUntil([&] { return KeyArrived(VK_F12); }, 5000));
    Sleep(300);
    PumpMessages();
    EXPECT_EQ(Status(), "");
    PressKeys({VK_CONTROL, VK_F11});
    EXPECT_TRUE(WaitUntil([&] { return Status() == "Normal "; }, 10000)) << Status();
}

TEST_F(HotKeysInAnotherProgram, AfterExitNoHotKeyActs) {
    PostMessageA(activatorWindow, WM_COMMAND, ID_EXIT, 0);
    ASSERT_EQ(activator.Wait(10000), 0);
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = activatorWindow;
    record.uID = kTrayIconId;
    EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &record)) << "the tray icon is still there";

    ASSERT_TRUE(TakeFocus());
    {
        CCodeSampler sampler(PatternForCode(kCodeInterlace), DoubleInterlacePattern());
        PressKeys({VK_SHIFT, VK_F9});
        PressKeys({VK_SCROLL});
        EXPECT_TRUE(WaitUntil([&] { return KeyArrived(VK_SCROLL); }, 5000));
        Sleep(700);
        EXPECT_FALSE(sampler.SawFirst());
    }
    EXPECT_TRUE(FilesInDir().empty());
}
