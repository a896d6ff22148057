#pragma once
// Paints a line code into a device context: each code line runs from (0, row) to (W - 1, row) with
// the device's line primitive, which leaves the end point itself unpainted, so columns 0 to W - 2
// take the colour. W is HORZRES of the target device context. Rows that a code does not name are
// left as they are; callers fill the band black first.

#include "linecode/LineCodePatterns.h"

#include <windows.h>

class CLineCodePainter {
public:
    void SetCode(int code) noexcept { m_code = code; }
    int GetCode() const noexcept { return m_code; }

    // The pattern of the current code number; a number without a pattern paints nothing.
    void Paint(HDC dc) const;
    // The two 32-row codes; they ignore the code number.
    void PaintDoubleInterlace(HDC dc) const;
    void PaintDoubleNormal(HDC dc) const;

    // One code line with a new one-pixel solid pen; a pen that cannot be created leaves the line undrawn.
    static void DrawCodeLine(HDC dc, int row, int width, COLORREF colour);

private:
    static void PaintLines(HDC dc, std::span<const CodeLine> lines);

    int m_code = 2;
};
