// Drawing the bitmap holder with real GDI, the system's error text when a drawing fails, and the line-
// code flashes on a window, watched on the screen as the X server shows it from a second thread.

#include "display/StereoFrame.h"
#include "framework/Application.h"
#include "tests/win/DisplayTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

using namespace display_testing;
using namespace testing_support;

namespace {

constexpr COLORREF kMarker = RGB(0x12, 0x34, 0x56);

COLORREF Picture(int x, int y) {
    return RGB(x * 5, y * 7, (x + y) & 0xFF);
}

// Closes every message box that this thread shows while it lives, keeping their texts.
class CMessageBoxWatch {
public:
    CMessageBoxWatch() : m_thread(GetCurrentThreadId()), m_watcher([this] { Watch(); }) {}
    ~CMessageBoxWatch() { Stop(); }
    // Ends the watch; the captions and texts ("caption|text") of the boxes closed.
    std::vector<std::string> Stop() {
        m_stop = true;
        if (m_watcher.joinable())
            m_watcher.join();
        return m_texts;
    }

private:
    void Watch() {
        while (!m_stop) {
            if (HWND box = FindThreadWindow(m_thread)) {
                char text[512] = {};
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                char caption[256] = {};
                GetWindowTextA(box, caption, sizeof caption);
                m_texts.push_back(std::string(caption) + "|" + text);
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                Sleep(200);
            }
            Sleep(10);
        }
    }

    DWORD m_thread;
    std::atomic<bool> m_stop{false};
    std::vector<std::string> m_texts;
    std::thread m_watcher;
};

} // namespace

TEST(DibDrawing, UnscaledCopiesEveryDepthOneToOne) {
    CScreenMemory screen;
    CDibImage colour;
    FillImage(colour, 50, 30, Picture);
    CDibImage grey;
    ASSERT_TRUE(grey.Create(kDibGrey, 50, 30));
    CDibImage mono;
    ASSERT_TRUE(mono.Create(kDibMonochrome, 50, 30));
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 50; ++x)
            grey.RowFromTop(y)[x] = static_cast<std::uint8_t>(x * 5);
        std::fill_n(mono.RowFromTop(y), mono.GetStride(),
                    static_cast<std::uint8_t>(y % 2 == 0 ? 0xF0 : 0x0F));
    }
    struct Case {
        const CDibImage* image;
        Colour colour;
    };
    const Case cases[] = {
        {&colour, Picture},
        {&grey, [](int x, int) { return RGB(x * 5, x * 5, x * 5); }},
        {&mono,
         [](int x, int y) { return ((x % 8 < 4) == (y % 2 == 0)) ? RGB(255, 255, 255) : RGB(0, 0, 0); }},
    };
    for (const Case& c : cases) {
        screen.Fill(kMarker);
        EXPECT_EQ(c.image->DrawUnscaled(screen.dc(), RECT{0, 0, 50, 30}, POINT{7, 9}), 30);
        const int wrong = CountDifferences(
            ReadPixels(screen.dc(), 0, 0, 70, 50),
            [&](int x, int y) {
                return x >= 7 && y >= 9 && x < 57 && y < 39 ? c.colour(x - 7, y - 9) : kMarker;
            },
            std::to_string(c.image->GetBitCount()) + " bits");
        EXPECT_EQ(wrong, 0);
    }
}

TEST(DibDrawing, StretchedFillsTheDestination) {
    CScreenMemory screen;
    screen.Fill(kMarker);
    SetStretchBltMode(screen.dc(), COLORONCOLOR);
    CDibImage picture;
    FillImage(picture, 2, 1, [](int x, int) { return x == 0 ? RGB(255, 0, 0) : RGB(0, 0, 255); });
    EXPECT_NE(picture.DrawStretched(screen.dc(), RECT{0, 0, 2, 1}, RECT{10, 10, 30, 20}, SRCCOPY), 0);
    const int wrong = CountDifferences(
        ReadPixels(screen.dc(), 0, 0, 40, 30),
        [](int x, int y) {
            if (x < 10 || y < 10 || x >= 30 || y >= 20)
                return kMarker;
            return x < 20 ? RGB(255, 0, 0) : RGB(0, 0, 255);
        },
        "stretched");
    EXPECT_EQ(wrong, 0);
}

TEST(DibDrawing, AnEmptyHolderDrawsNothingAndSaysNothing) {
    CScreenMemory screen;
    screen.Fill(kMarker);
    CDibImage empty;
    std::vector<std::string> boxes;
    {
        CMessageBoxWatch watch;
        EXPECT_EQ(empty.DrawUnscaled(screen.dc(), RECT{0, 0, 10, 10}, POINT{0, 0}), 0);
        EXPECT_EQ(empty.DrawStretched(screen.dc(), RECT{0, 0, 10, 10}, RECT{0, 0, 20, 20}, SRCCOPY), 0);
        Sleep(100);
        boxes = watch.Stop();
    }
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(CountDifferences(
                  ReadPixels(screen.dc(), 0, 0, 30, 30), [](int, int) { return kMarker; }, "empty"),
              0);
}

TEST(DibDrawing, AFailedUnscaledDrawingShowsTheSystemsText) {
    CApplication application; // the caption of the box
    CDibImage picture;
    FillImage(picture, 8, 8, Picture);
    std::vector<std::string> boxes;
    {
        CMessageBoxWatch watch;
        EXPECT_EQ(picture.DrawUnscaled(reinterpret_cast<HDC>(static_cast<INT_PTR>(0x7777)), RECT{0, 0, 8, 8},
                                       POINT{0, 0}),
                  0);
        boxes = watch.Stop();
    }
    ASSERT_EQ(boxes.size(), 1u) << "one message box";
    const std::string caption = boxes[0].substr(0, boxes[0].find('|'));
    const std::string text = boxes[0].substr(boxes[0].find('|') + 1);
    EXPECT_EQ(caption, "dib_drawing_tests");
    // The system's own text for the error (Wine: "Invalid handle."), not the fallback.
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find("could not be drawn"), std::string::npos) << text;
}

namespace {

enum class Seen { Background, Code, DoubleCode, Other };

// A window that paints a known picture across the top of the screen; flashes are made on it on this
// thread while a second thread samples the screen.
class WindowFlash : public ::testing::Test {
protected:
    void SetUp() override {
        width = GetSystemMetrics(SM_CXSCREEN);
        window = std::make_unique<CPatternWindow>(RECT{0, 0, width, 60}, [](int x, int y) {
            return RGB((x * 7 + y) & 0xFF, (y * 29 + 11) & 0xFF, ((x >> 3) + y * 3) & 0x7F);
        });
        background = window->Expected();
        background.data.resize(static_cast<size_t>(width) * kCodeBandHeight);
        background.height = kCodeBandHeight;
        ASSERT_TRUE(WaitUntil([&] { return Band() == background; }, 5000)) << "the window never showed";
    }

    CPixels Band() const { return ReadScreen(0, 0, width, kCodeBandHeight); }
    CMonitorRect Screen() const { return {0, 0, width, GetSystemMetrics(SM_CYSCREEN)}; }

    // The runs of what the band showed while `flash` ran on this thread.
    std::vector<Seen> Watch(const std::function<void()>& flash, std::span<const CodeLine> first,
                            std::span<const CodeLine> second) {
        const CPixels code = CodeBandOf(width, first);
        const CPixels doubleCode = CodeBandOf(width, second);
        std::atomic<bool> stop{false};
        std::vector<Seen> runs;
        std::thread sampler([&] {
            while (!stop) {
                const CPixels now = Band();
                const Seen seen = now == background                        ? Seen::Background
                                  : now == code                            ? Seen::Code
                                  : (!second.empty() && now == doubleCode) ? Seen::DoubleCode
                                                                           : Seen::Other;
                if (runs.empty() || runs.back() != seen)
                    runs.push_back(seen);
                Sleep(5);
            }
        });
        Sleep(50);
        flash();
        // What the window drew after the flash reaches the screen once this thread waits for messages.
        WaitUntil([&] { return Band() == background; }, 500);
        Sleep(50);
        stop = true;
        sampler.join();
        return runs;
    }

    int width = 0;
    std::unique_ptr<CPatternWindow> window;
    CPixels background;
};

} // namespace

TEST_F(WindowFlash, AFlashShowsItsCodeAndLeavesTheBandAsItWas) {
    const int before = CountGdiObjects();
    auto runs =
        Watch([&] { FlashLineCode(window->Handle(), Screen(), kCodeSyncDouble, &CLineCodePainter::Paint); },
              PatternForCode(kCodeSyncDouble), {});
    // A sample taken while the code is being painted sees neither picture.
    std::erase(runs, Seen::Other);
    runs.erase(std::unique(runs.begin(), runs.end()), runs.end());
    EXPECT_EQ(runs, (std::vector<Seen>{Seen::Background, Seen::Code, Seen::Background}));
    EXPECT_EQ(Band(), background);
    EXPECT_EQ(CountGdiObjects(), before);
}

TEST_F(WindowFlash, OpeningAndClosingFlashesComeInTheirOrder) {
    struct Case {
        std::function<void()> flash;
        std::span<const CodeLine> first;
        std::span<const CodeLine> second;
    };
    const HWND handle = window->Handle();
    const Case cases[] = {
        {[&] { FlashOpeningCodes(handle, Screen(), kViewInterlace); }, PatternForCode(kCodeInterlace),
         DoubleInterlacePattern()},
        {[&] { FlashOpeningCodes(handle, Screen(), kViewLineBlank); }, PatternForCode(kCodeLineBlank), {}},
        {[&] { FlashOpeningCodes(handle, Screen(), kViewFlat2D); }, PatternForCode(kCodeNormal), {}},
        {[&] { FlashClosingCodes(handle, Screen()); }, DoubleNormalPattern(), PatternForCode(kCodeNormal)},
    };
    for (const Case& c : cases) {
        // Between two flashes the band shows its earlier pixels for a moment, too short to be sampled
        // for certain.
        std::vector<Seen> runs = Watch(c.flash, c.first, c.second);
        std::erase_if(runs, [](Seen seen) { return seen == Seen::Background || seen == Seen::Other; });
        runs.erase(std::unique(runs.begin(), runs.end()), runs.end());
        const std::vector<Seen> expected = c.second.empty() ? std::vector<Seen>{Seen::Code}
                                                            : std::vector<Seen>{Seen::Code, Seen::DoubleCode};
        EXPECT_EQ(runs, expected);
        EXPECT_EQ(Band(), background);
    }
}
