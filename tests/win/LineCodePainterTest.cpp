// The painter on a real GDI memory device context. The test program runs on screens of several
// widths (the build registers it for 640, 1024 and 1920 pixels); every pixel of the band is checked.

#include "linecode/LineCodePainter.h"
#include "tests/support/WineTestSupport.h"

#include <gtest/gtest.h>

#include <map>

using namespace testing_support;

namespace {

constexpr COLORREF kBackground = RGB(0x12, 0x34, 0x56);

// A band of the screen's width and the code band's height, filled with kBackground.
class PainterBand : public ::testing::Test {
protected:
    void SetUp() override {
        HDC screen = GetDC(nullptr);
        width = GetDeviceCaps(screen, HORZRES);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, width, kCodeBandHeight);
        ReleaseDC(nullptr, screen);
        ASSERT_TRUE(dc && bitmap);
        previous = SelectObject(dc, bitmap);
        Refill();
    }
    void TearDown() override {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }

    void Refill() {
        HBRUSH brush = CreateSolidBrush(kBackground);
        RECT band{0, 0, width, kCodeBandHeight};
        FillRect(dc, &band, brush);
        DeleteObject(brush);
    }

    // Checks every pixel: the rows in `rows` carry their colour on columns 0 to width - 2, everything
    // else (the last column included) keeps the background.
    void ExpectBand(const std::map<int, COLORREF>& rows, const std::string& what) {
        CPixels pixels = ReadPixels(dc, 0, 0, width, kCodeBandHeight);
        ASSERT_EQ(pixels.width, width);
        int wrong = 0;
        for (int y = 0; y < kCodeBandHeight; ++y) {
            auto row = rows.find(y);
            for (int x = 0; x < width; ++x) {
                COLORREF expected = (row != rows.end() && x < width - 1) ? row->second : kBackground;
                if (pixels.At(x, y) != PixelOf(expected) && wrong++ < 5)
                    ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") is " << std::hex
                                  << pixels.At(x, y) << ", expected " << PixelOf(expected);
            }
        }
        EXPECT_EQ(wrong, 0) << what << " on a band " << width << " wide";
    }

    static std::map<int, COLORREF> RowsOf(std::span<const CodeLine> lines) {
        std::map<int, COLORREF> rows;
        for (const CodeLine& line : lines)
            rows[line.row] = line.colour;
        return rows;
    }

    int width = 0;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
};

} // namespace

TEST_F(PainterBand, AFreshPainterPaintsCodeTwo) {
    CLineCodePainter painter;
    EXPECT_EQ(painter.GetCode(), 2);
    painter.Paint(dc);
    ExpectBand({{0, RGB(255, 0, 0)},
                {2, RGB(255, 0, 0)},
                {4, RGB(255, 0, 0)},
                {6, RGB(255, 0, 0)},
                {8, RGB(0, 255, 0)},
                {10, RGB(255, 255, 0)},
                {12, RGB(255, 255, 0)},
                {14, RGB(0, 255, 0)}},
               "code 2");
}

TEST_F(PainterBand, EveryCodeNumberPaintsItsPatternUpToTheLastColumn) {
    for (int code : {1, 2, 3, 4, 5, -1, 6, 7, 8, 9, -2}) {
        Refill();
        CLineCodePainter painter;
        painter.SetCode(code);
        painter.Paint(dc);
        ExpectBand(RowsOf(PatternForCode(code)), "code " + std::to_string(code));
    }
}

TEST_F(PainterBand, NumbersWithoutAPatternLeaveTheBandAlone) {
    for (int code : {0, 10, -3}) {
        CLineCodePainter painter;
        painter.SetCode(code);
        painter.Paint(dc);
        ExpectBand({}, "code " + std::to_string(code));
    }
}

TEST_F(PainterBand, DoubleCodesPaintAllThirtyTwoRows) {
    CLineCodePainter painter;
    painter.SetCode(7); // ignored by the double codes
    painter.PaintDoubleInterlace(dc);
    ExpectBand(RowsOf(DoubleInterlacePattern()), "double Interlace");
    Refill();
    painter.PaintDoubleNormal(dc);
    ExpectBand(RowsOf(DoubleNormalPattern()), "double Normal");
}

TEST_F(PainterBand, NormalDrawsItsBlackRowEvenOnAnUnfilledBand) {
    CLineCodePainter painter;
    painter.SetCode(-2);
    painter.Paint(dc);
    CPixels pixels = ReadPixels(dc, 0, 0, width, kCodeBandHeight);
    EXPECT_EQ(pixels.At(0, 14), 0u);
    EXPECT_EQ(pixels.At(width - 2, 14), 0u);
    EXPECT_EQ(pixels.At(width - 1, 14), PixelOf(kBackground));
}

TEST_F(PainterBand, PaintingLeavesNoGdiObjectBehind) {
    CLineCodePainter painter;
    int before = CountGdiObjects();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 200; ++i) {
        painter.SetCode(i % 2 ? 9 : 4);
        painter.Paint(dc);
        painter.PaintDoubleNormal(dc);
    }
    EXPECT_EQ(CountGdiObjects(), before);
}
