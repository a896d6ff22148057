#pragma once
// Paints a line code into a device context: each code line runs from (0, row) to (W - 1, row) with
// the device's line primitive, which leaves the end point itself unpainted, so columns 0 to W - 2
// take the colour. W is the width set with SetLineWidth, or HORZRES of the target device context (the
// primary monitor's width for the screen and for memory contexts made from it). Rows that a code does
// not name are left as they are; callers fill the band black first.

#include "linecode/LineCodePatterns.h"

#include <windows.h>

class CLineCodePainter {
public:
    void SetCode(int code) noexcept { m_code = code; }
    int GetCode() const noexcept { return m_code; }
    // The width of the lines: the monitor's that the code is shown on; 0 for HORZRES.
    void SetLineWidth(int width) noexcept { m_width = width; }

    // The pattern of the current code number; a number without a pattern paints nothing.
    void Paint(HDC dc) const;
    // The two 32-row codes; they ignore the code number.
    void PaintDoubleInterlace(HDC dc) const;
    void PaintDoubleNormal(HDC dc) const;

    // One code line with a new one-pixel solid pen; a pen that cannot be created leaves the line undrawn.
    static void DrawCodeLine(HDC dc, int row, int width, COLORREF colour);

private:
    void PaintLines(HDC dc, std::span<const CodeLine> lines) const;

    int m_code = 2;
    int m_width = 0;
};
