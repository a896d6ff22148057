// The stereo frames drawn with real GDI on a bitmap of the screen's size, pixel for pixel. The build
// runs this program on screens of 640x480, 800x600, 1024x768, 1280x1024 and 1600x1200 (and one of odd
// height).

#include "activator/TestDisplayRules.h"
#include "display/StereoFrame.h"
#include "tests/win/DisplayTestSupport.h"

#include <gtest/gtest.h>

#include <map>

using namespace display_testing;
using namespace testing_support;

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kMarker = RGB(0x12, 0x34, 0x56);
constexpr COLORREF kLeft = RGB(0xE0, 0x40, 0x20);
constexpr COLORREF kRight = RGB(0x20, 0x60, 0xD0);

// Distinct for every column and row of a picture up to 4096 pixels wide.
COLORREF Picture(int x, int y) {
    return RGB(x & 0xFF, y & 0xFF, ((x >> 8) << 4) | ((y >> 8) & 0x0F));
}

class StereoFrame : public ::testing::Test {
protected:
    CScreenMemory screen;
    int W = screen.width();
    int H = screen.height();
};

// T and B of the Sync Double table for the screens this program runs on.
struct Bands {
    int top;
    int bottom;
};
Bands TableBands(int width, int height) {
    static const std::map<int, Bands> table = {
        {640, {223, 257}}, {800, {285, 315}}, {1024, {364, 404}}, {1152, {412, 452}}, {1280, {495, 529}}};
    auto row = table.find(width);
    return row != table.end() ? row->second : Bands{height / 2 - 20, height / 2 + 20};
}

} // namespace

TEST_F(StereoFrame, PicturesAreCentredWithAnEvenVerticalOffset) {
    struct Case {
        int width, height, x, y;
    };
    // Free height 184: offset 92; 182: exactly 91, drawn at 90; 183 (odd picture height): 90.
    for (Case c :
         {Case{W - 224, H - 184, 112, 92}, Case{W - 224, H - 182, 112, 90}, Case{W - 225, H - 183, 112, 90},
          Case{W + 10, H + 30, 0, 0}, Case{W, 1, 0, 2 * ((H - 1) / 2 / 2)}}) {
        CDibImage picture;
        FillImage(picture, c.width, c.height, Picture);
        screen.Fill(kMarker);
        DrawFrameCentred(screen.dc(), picture);
        const int wrong = CountDifferences(
            screen.Read(),
            [&](int x, int y) {
                const int px = x - c.x;
                const int py = y - c.y;
                return px >= 0 && py >= 0 && px < c.width && py < c.height ? Picture(px, py) : kBlack;
            },
            "2D");
        EXPECT_EQ(wrong, 0) << c.width << "x" << c.height << " on " << W << "x" << H;
    }
}

TEST_F(StereoFrame, AnEmptyHolderLeavesABlackScreen) {
    CDibImage empty;
    screen.Fill(kMarker);
    DrawFrameCentred(screen.dc(), empty);
    EXPECT_EQ(CountDifferences(
                  screen.Read(), [](int, int) { return kBlack; }, "empty 2D"),
              0);
    screen.Fill(kMarker);
    DrawSyncDouble(screen.dc(), empty, 0);
    EXPECT_EQ(CountDifferences(
                  screen.Read(), [](int, int) { return kBlack; }, "empty Sync Double"),
              0);
}

TEST_F(StereoFrame, InterlaceRowsComeFromTheirHalves) {
    // A pair of the screen's size, and one of odd height that leaves rows black.
    for (int pairHeight : {H, H - 101}) {
        CDibImage pair;
        FillImage(pair, 2 * W, pairHeight, Picture);
        CDibImage frame;
        ASSERT_TRUE(ComposeInterleavedFrame(pair, frame));
        EXPECT_TRUE(pair.IsEmpty());
        ASSERT_EQ(frame.GetWidth(), W);
        ASSERT_EQ(frame.GetHeight(), H);
        screen.Fill(kMarker);
        DrawFrameCentred(screen.dc(), frame);
        const int wrong = CountDifferences(
            screen.Read(),
            [&](int x, int y) { return y >= pairHeight ? kBlack : Picture(y % 2 == 0 ? x : x + W, y); },
            "Interlace");
        EXPECT_EQ(wrong, 0) << "pair of " << 2 * W << "x" << pairHeight << " on " << W << "x" << H;
    }
}

TEST_F(StereoFrame, SyncDoubleBandsFollowTheGapAdjustment) {
    CDibImage pair;
    FillImage(pair, 2 * W, H, [&](int x, int) { return x < W ? kLeft : kRight; });
    const Bands bands = TableBands(W, H);
    for (int adjust : {0, 20, -20}) {
        screen.Fill(kMarker);
        SetStretchBltMode(screen.dc(), COLORONCOLOR);
        DrawSyncDouble(screen.dc(), pair, adjust);
        const int topEnd = bands.top - adjust;
        const int bottomStart = bands.bottom + adjust;
        // Where the bands overlap (a gap narrower than 40 rows), the bottom band is drawn last.
        const int wrong = CountDifferences(
            screen.Read(),
            [&](int, int y) { return y >= bottomStart ? kRight
                                     : y < topEnd     ? kLeft
                                                      : kBlack; },
            "Sync Double " + std::to_string(adjust));
        EXPECT_EQ(wrong, 0) << "adjustment " << adjust << " on " << W << "x" << H;
    }
}

class TestFrame : public StereoFrame {
protected:
    void SetUp() override {
        window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        FillImage(left, 37, 23, [](int, int) { return kLeft; });
        FillImage(right, 19, 41, [](int, int) { return kRight; });
        const CTestBands bands = TestDisplayBands(W, H);
        top = RECT{bands.top.left, bands.top.top, bands.top.right, bands.top.bottom};
        bottom = RECT{bands.bottom.left, bands.bottom.top, bands.bottom.right, bands.bottom.bottom};
        screen.Fill(kMarker);
    }
    void TearDown() override { DestroyWindow(window); }

    void Compose(int format, const CDibImage* l, const CDibImage* r) {
        // The frame must not be selected anywhere while it is composed.
        HBITMAP placeholder = CreateCompatibleBitmap(screen.dc(), 1, 1);
        HGDIOBJ previous = SelectObject(screen.dc(), placeholder);
        ComposeTestFrame(window, format, l, r, screen.bitmap(), top, bottom);
        SelectObject(screen.dc(), previous);
        DeleteObject(placeholder);
    }

    HWND window = nullptr;
    CDibImage left;
    CDibImage right;
    RECT top{};
    RECT bottom{};
};

TEST_F(TestFrame, SyncDoubleStretchesEachBitmapIntoItsBand) {
    Compose(kViewSyncDouble, &left, &right);
    const int wrong = CountDifferences(
        screen.Read(),
        [&](int, int y) {
            return y < top.bottom ? kLeft : (y >= bottom.top && y < bottom.bottom) ? kRight : kBlack;
        },
        "test Sync Double");
    EXPECT_EQ(wrong, 0) << W << "x" << H;
}

TEST_F(TestFrame, InterlaceAndLineBlankShowTheLeftBitmapOnEvenRows) {
    for (int format : {kViewInterlace, kViewLineBlank}) {
        screen.Fill(kMarker);
        Compose(format, &left, &right);
        // On a screen of odd height the last row is even: the left bitmap.
        const int wrong = CountDifferences(
            screen.Read(), [](int, int y) { return y % 2 == 0 ? kLeft : kRight; },
            "test format " + std::to_string(format));
        EXPECT_EQ(wrong, 0) << W << "x" << H;
    }
}

TEST_F(TestFrame, IncompleteInputsLeaveTheFrameAsItWas) {
    CDibImage empty;
    Compose(3, &left, &right);
    Compose(-1, &left, &right);
    Compose(kViewInterlace, &left, &empty);
    Compose(kViewSyncDouble, nullptr, &right);
    EXPECT_EQ(CountDifferences(
                  screen.Read(), [](int, int) { return kMarker; }, "untouched"),
              0);
}

TEST_F(TestFrame, ComposingAndDrawingReleaseEveryObject) {
    const int before = CountGdiObjects();
    for (int format : {kViewInterlace, kViewSyncDouble, kViewLineBlank})
        Compose(format, &left, &right);
    SetStretchBltMode(screen.dc(), COLORONCOLOR);
    DrawSyncDouble(screen.dc(), left, 7);
    DrawFrameCentred(screen.dc(), right);
    EXPECT_EQ(CountGdiObjects(), before);
}
