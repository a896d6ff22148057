#include "linecode/LineCodePainter.h"

#include "framework/Handles.h"

void CLineCodePainter::Paint(HDC dc) const {
    PaintLines(dc, PatternForCode(m_code));
}

void CLineCodePainter::PaintDoubleInterlace(HDC dc) const {
    PaintLines(dc, DoubleInterlacePattern());
}

void CLineCodePainter::PaintDoubleNormal(HDC dc) const {
    PaintLines(dc, DoubleNormalPattern());
}

void CLineCodePainter::PaintLines(HDC dc, std::span<const CodeLine> lines) const {
    if (lines.empty())
        return;
    const int width = m_width > 0 ? m_width : GetDeviceCaps(dc, HORZRES);
    for (const CodeLine& line : lines)
        DrawCodeLine(dc, line.row, width, line.colour);
}

void CLineCodePainter::DrawCodeLine(HDC dc, int row, int width, COLORREF colour) {
    CPen pen(CreatePen(PS_SOLID, 1, colour));
    if (!pen)
        return;
    CSelectObject selection(dc, pen);
    MoveToEx(dc, 0, row, nullptr);
    LineTo(dc, width - 1, row);
}
