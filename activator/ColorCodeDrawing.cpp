#include "activator/ColorCodeDrawing.h"

#include "framework/Handles.h"

COLORREF WindowClassBackgroundColour(HWND window) {
    const auto brush = reinterpret_cast<HBRUSH>(GetClassLongPtrA(window, GCLP_HBRBACKGROUND));
    if (!brush)
        return GetSysColor(COLOR_BTNFACE);
    // A class may name a system colour instead of a brush: COLOR_xxx + 1.
    const auto value = reinterpret_cast<ULONG_PTR>(brush);
    if (value <= COLOR_MENUBAR + 1)
        return GetSysColor(static_cast<int>(value) - 1);
    LOGBRUSH logBrush{};
    if (GetObjectA(brush, sizeof logBrush, &logBrush) != sizeof logBrush)
        return GetSysColor(COLOR_BTNFACE);
    return logBrush.lbColor;
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    CBrush brush(CreateSolidBrush(colour));
    if (brush)
        FillRect(dc, &rect, brush);
}

int SwatchFrameThickness(const RECT& swatch0, const RECT& swatch1) {
    return (swatch1.top - swatch0.bottom + 1) / 2;
}

void DrawSwatchFrame(HDC dc, const RECT& swatch, int thickness, COLORREF colour) {
    CBrush brush(CreateSolidBrush(colour));
    if (!brush)
        return;
    RECT edge = swatch;
    InflateRect(&edge, 1, 1);
    for (int i = 0; i < thickness; ++i) {
        InflateRect(&edge, 1, 1);
        FrameRect(dc, &edge, brush);
    }
}

void DrawLineMarker(HDC dc, const RECT& bar, COLORREF colour) {
    const int height = bar.bottom - bar.top;
    const int right = bar.right + (3 * height) / 2;
    const int left = right - height;
    CPen pen(CreatePen(PS_SOLID, 1, colour));
    CBrush brush(CreateSolidBrush(colour));
    if (!pen || !brush)
        return;
    CSelectObject selectPen(dc, pen);
    CSelectObject selectBrush(dc, brush);
    // Both radial points at the box's corner: the pie is the whole ellipse.
    Pie(dc, left, bar.top, right, bar.bottom, left, bar.top, left, bar.top);
}
