// A known picture on the whole screen, captured in each view mode and decoded again: the halves of a
// stereo capture hold the rows or bands they must, a 2D capture holds the screen unchanged; and a
// moving picture, which a capture takes at one instant. The test runs on screens of several sizes, one
// of them of odd height. The patterns repeat every 64 rows or fewer, so that rows taken from the wrong
// place show.

#include "display/SyncDoubleBands.h"
#include "keyhook/ScreenCapture.h"
#include "linecode/ResultCodes.h"
#include "tests/support/WineTestSupport.h"
#include "tests/win/CaptureFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <utility>

using namespace testing_support;

namespace {

// Within what a near-lossless JPEG keeps of a picture: each channel of each pixel, and on average.
constexpr int kPixelTolerance = 40;
constexpr double kMeanTolerance = 4.0;

class CapturePixels : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        width = GetSystemMetrics(SM_CXSCREEN);
        height = GetSystemMetrics(SM_CYSCREEN);
    }

    // Shows `paint` on the whole screen and captures it in `viewMode`; the decoded picture.
    CDecodedPicture Capture(std::uint32_t viewMode, std::function<COLORREF(int, int)> paint) {
        WriteCaptureSettings(viewMode, Dir(), "Pixels");
        CPatternWindow pattern(RECT{0, 0, width, height}, std::move(paint));
        PumpMessages();
        Sleep(100);
        PumpMessages();
        EXPECT_EQ(CaptureScreen(), kResultOk);
        CDecodedPicture picture;
        const std::vector<std::string> files = FilesInDir();
        EXPECT_EQ(files.size(), 1u);
        if (!files.empty()) {
            EXPECT_TRUE(DecodePicture(Dir() + files.front(), picture)) << files.front();
        }
        return picture;
    }

    // Compares each pixel of the picture with the colour `expected(x, y)`, except where `ignored(x, y)`,
    // and reports the first pixels beyond the tolerance and the mean difference.
    void ExpectPicture(
        const CDecodedPicture& picture, int expectedWidth, const std::function<COLORREF(int, int)>& expected,
        const std::function<bool(int, int)>& ignored = [](int, int) { return false; },
        int tolerance = kPixelTolerance) {
        ASSERT_EQ(picture.width, expectedWidth);
        ASSERT_EQ(picture.height, height);
        double sum = 0;
        double compared = 0;
        int reported = 0;
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                if (ignored(x, y))
                    continue;
                const int difference = ChannelDifference(picture.At(x, y), PixelOf(expected(x, y)));
                sum += difference;
                ++compared;
                if (difference > tolerance && reported++ < 5)
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << picture.At(x, y)
                                  << ", expected " << PixelOf(expected(x, y));
            }
        }
        EXPECT_LT(sum / compared, kMeanTolerance);
    }

    // Row parity in red, the row within 64 rows in green, the column in blue.
    COLORREF Rows(int x, int y) const {
        return RGB(y % 2 == 0 ? 230 : 20, y % 64 * 4, x * 255 / (width - 1));
    }

    int width = 0;
    int height = 0;
};

} // namespace

TEST_F(CapturePixels, InterlaceAndLineBlankKeepEvenRowsLeftAndOddRowsRight) {
    for (std::uint32_t viewMode : {0u, 2u}) {
        const CDecodedPicture picture = Capture(viewMode, [this](int x, int y) { return Rows(x, y); });
        // Rows 2j and 2j + 1 show screen row 2j on the left and 2j + 1 on the right; the last row of an
        // odd height shows itself on both sides.
        ExpectPicture(
            picture, 2 * width,
            [this](int x, int y) {
                if (x < width)
                    return Rows(x, y - y % 2);
                return Rows(x - width, std::min(y - y % 2 + 1, height - 1));
            },
            // On the right, that lone row follows a pair of the other parity: the coder blurs the edge.
            [this](int x, int y) {
                return height % 2 == 1 && x >= width && y >= height - 3 && y < height - 1;
            });
        DeleteFileA((Dir() + FilesInDir().front()).c_str());
    }
}

TEST_F(CapturePixels, FlatTwoDKeepsTheScreenUnchanged) {
    // Blocks of 16 x 16 pixels, as the encoder codes colour, in a checkerboard of red; green gives the
    // row within 64 rows and blue the column.
    auto blocks = [this](int x, int y) {
        return RGB((x / 16 + y / 16) % 2 == 0 ? 210 : 40, y % 64 * 4, x * 255 / (width - 1));
    };
    const CDecodedPicture picture = Capture(3, blocks);
    ExpectPicture(picture, width, blocks);
}

TEST_F(CapturePixels, SyncDoubleStretchesTheTopAndBottomBands) {
    const CSyncDoubleBands bands = SyncDoubleBands(width, height);
    // The band rows of the screens this test runs on.
    const std::pair<int, int> expectedBands = width == 800    ? std::pair{285, 315}
                                              : width == 1024 ? std::pair{364, 404}
                                              : width == 1600 ? std::pair{580, 620}
                                                              : std::pair{bands.topRows, bands.bottomStart};
    EXPECT_EQ(std::pair(bands.topRows, bands.bottomStart), expectedBands);
    // Red: stripes of 32 rows in the bands, and a grey gap that must not show; green the row, blue the
    // column.
    auto paint = [&](int x, int y) {
        const bool inGap = y >= bands.topRows && y < bands.bottomStart;
        return RGB(inGap ? 128 : y / 32 % 2 == 0 ? 230 : 20, y * 255 / (height - 1), x * 255 / (width - 1));
    };
    // Each half stretches its band to the full height: picture row y shows the band row at the same
    // share of the band's height (to within a row, which the edges below leave out).
    auto source = [&](int half, int y) {
        const int first = half == 0 ? 0 : bands.bottomStart;
        const int rows = half == 0 ? bands.topRows : height - bands.bottomStart;
        return first + y * rows / height;
    };
    auto expected = [&](int x, int y) {
        return x < width ? paint(x, source(0, y)) : paint(x - width, source(1, y));
    };
    const CDecodedPicture picture = Capture(1, paint);
    // The coder blurs the rows next to an edge between stripes, where the row taken may also be the
    // neighbour's.
    ExpectPicture(picture, 2 * width, expected, [&](int x, int y) {
        for (int other : {y - 2, y - 1, y + 1, y + 2})
            if (GetRValue(expected(x, y)) != GetRValue(expected(x, std::clamp(other, 0, height - 1))))
                return true;
        return false;
    });
}

namespace {

// The colours of the moving picture, far apart in every channel pair.
constexpr COLORREF kMovingColours[] = {RGB(230, 30, 30),  RGB(230, 230, 30), RGB(30, 230, 30),
                                       RGB(30, 230, 230), RGB(30, 30, 230),  RGB(230, 30, 230)};
constexpr char kMovingColourNames[] = "RYGCBM";

// The pattern of the moving picture's detailed pictures: the colour changed in its low bits by the
// column and the row (each of 64 rows apart), so that every pixel taken from the wrong place shows.
COLORREF Detailed(COLORREF colour, int x, int y) {
    return RGB(GetRValue(colour) ^ (x & 63), GetGValue(colour) ^ (y & 63), GetBValue(colour) ^ (x >> 6 & 63));
}

// A full-screen program in front that repaints its whole window in the next colour every few
// milliseconds (about 200 changes a second), as a game or a film does; on a thread of its own, which
// waits for messages between the paints so that each one reaches the screen. With `detailed`, each
// picture is the colour's Detailed pattern, drawn in one go.
class CMovingPicture {
public:
    explicit CMovingPicture(bool detailed = false) : m_detailed(detailed), m_thread([this] { Run(); }) {
        WaitUntil([&] { return m_paints.load() > 10; }, 5000);
    }
    ~CMovingPicture() {
        m_stop = true;
        m_thread.join();
    }
    int Paints() const { return m_paints; }

private:
    void Run() {
        const int width = GetSystemMetrics(SM_CXSCREEN);
        const int height = GetSystemMetrics(SM_CYSCREEN);
        HWND window = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                                      nullptr, nullptr, nullptr, nullptr);
        const RECT all{0, 0, width, height};
        std::vector<std::vector<std::uint32_t>> pictures(m_detailed ? 6 : 0);
        for (int c = 0; c < static_cast<int>(pictures.size()); ++c)
            for (int i = 0; i < width * height; ++i)
                pictures[c].push_back(PixelOf(Detailed(kMovingColours[c], i % width, i / width)));
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        for (int next = 0; !m_stop; next = (next + 1) % 6) {
            PumpMessages();
            if (HDC dc = GetDC(window)) {
                if (m_detailed) {
                    SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, pictures[next].data(), &info,
                                      DIB_RGB_COLORS);
                } else {
                    HBRUSH brush = CreateSolidBrush(kMovingColours[next]);
                    FillRect(dc, &all, brush);
                    DeleteObject(brush);
                }
                ReleaseDC(window, dc);
            }
            ++m_paints;
            MsgWaitForMultipleObjectsEx(0, nullptr, 4, QS_ALLINPUT, 0);
        }
        DestroyWindow(window);
    }

    bool m_detailed;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_paints{0};
    std::thread m_thread;
};

// The letters of the colours that the picture's rows show from the top, one per run of rows ('?' for
// a row of no one colour).
std::string ColoursOfRows(const CDecodedPicture& picture) {
    std::string runs;
    for (int y = 0; y < picture.height; ++y) {
        char row = '?';
        for (int c = 0; c < 6 && row == '?'; ++c) {
            bool all = true;
            for (int x = 0; x < picture.width && all; x += 7)
                all = ChannelDifference(picture.At(x, y), PixelOf(kMovingColours[c])) <= kPixelTolerance;
            if (all)
                row = kMovingColourNames[c];
        }
        if (runs.empty() || runs.back() != row)
            runs += row;
    }
    return runs;
}

} // namespace

TEST_F(CapturePixels, AMovingPictureIsTakenAtOneInstantInEveryViewMode) {
    CMovingPicture moving;
    ASSERT_GT(moving.Paints(), 10) << "the moving picture does not move";
    for (std::uint32_t viewMode : {0u, 1u, 2u, 3u}) {
        WriteCaptureSettings(viewMode, Dir(), "Moving");
        for (int round = 0; round < 3; ++round) {
            const int paintsBefore = moving.Paints();
            ASSERT_EQ(CaptureScreen(), kResultOk);
            const std::vector<std::string> files = FilesInDir();
            ASSERT_EQ(files.size(), 1u);
            CDecodedPicture picture;
            ASSERT_TRUE(DecodePicture(Dir() + files.front(), picture));
            const std::string colours = ColoursOfRows(picture);
            EXPECT_EQ(colours.size(), 1u) << "view mode " << viewMode << ": the rows show " << colours;
            EXPECT_NE(colours, "?") << "view mode " << viewMode;
            // The picture changed meanwhile: one colour is not a screen that stood still. (A small 2D
            // capture takes a few milliseconds, about one repaint of the picture on a loaded machine.)
            EXPECT_GT(moving.Paints() - paintsBefore, 0) << "view mode " << viewMode;
            DeleteFileA((Dir() + files.front()).c_str());
        }
    }
}

TEST_F(CapturePixels, ALosslessCaptureOfAMovingPictureIsTheScreenPixelForPixel) {
    CMovingPicture moving(true);
    for (std::uint32_t viewMode : {0u, 3u}) {
        WriteCaptureSettings(viewMode, Dir(), "Exact_");
        WriteRegistryNumber(kCaptureSettingsKey, "Lossless", 1);
        ASSERT_EQ(CaptureScreen(), kResultOk);
        const std::vector<std::string> files = FilesInDir();
        ASSERT_EQ(files, std::vector<std::string>{viewMode == 3 ? "Exact_00.png" : "Exact_00.pns"});
        CDecodedPicture picture;
        ASSERT_TRUE(DecodePicture(Dir() + files.front(), picture));
        // The top left pixel tells which of the six pictures the screen showed.
        const COLORREF* shown = std::find_if(std::begin(kMovingColours), std::end(kMovingColours),
                                             [&](COLORREF c) { return PixelOf(c) == picture.At(0, 0); });
        ASSERT_NE(shown, std::end(kMovingColours)) << std::hex << picture.At(0, 0);
        // Interlace: rows 2j and 2j + 1 show screen row 2j on the left and 2j + 1 on the right.
        const auto screen = [&](int x, int y) {
            return viewMode == 3 ? Detailed(*shown, x, y)
                   : x < width   ? Detailed(*shown, x, y - y % 2)
                                 : Detailed(*shown, x - width, std::min(y - y % 2 + 1, height - 1));
        };
        ExpectPicture(
            picture, viewMode == 3 ? width : 2 * width, screen, [](int, int) { return false; }, 0);
        DeleteFileA((Dir() + files.front()).c_str());
    }
}
