#include "linecode/LineCodeEmitter.h"

#include "settings/ControllerMonitor.h"

int CScreenCodeBand::Open(const RECT& monitor) {
    if (!m_screen)
        return kResultNoScreenDC;
    m_codeDC.reset(CreateCompatibleDC(m_screen));
    m_saveDC.reset(CreateCompatibleDC(m_screen));
    if (!m_codeDC || !m_saveDC)
        return kResultNoMemoryDC;
    m_left = monitor.left;
    m_top = monitor.top;
    m_width = monitor.right - monitor.left;
    m_codeBitmap.reset(CreateCompatibleBitmap(m_screen, m_width, kCodeBandHeight));
    m_saveBitmap.reset(CreateCompatibleBitmap(m_screen, m_width, kCodeBandHeight));
    if (!m_codeBitmap || !m_saveBitmap)
        return kResultNoBitmap;
    m_codeSelection.emplace(m_codeDC, m_codeBitmap);
    m_saveSelection.emplace(m_saveDC, m_saveBitmap);
    if (!BitBlt(m_saveDC, 0, 0, m_width, kCodeBandHeight, m_screen, m_left, m_top, SRCCOPY))
        return kResultBlitFailed;
    return kResultOk;
}

int CScreenCodeBand::Open() {
    return Open(RectOf(FindControllerMonitor().monitor.rect));
}

bool CScreenCodeBand::Show(int code, PaintRoutine paint) {
    PatBlt(m_codeDC, 0, 0, m_width, kCodeBandHeight, BLACKNESS);
    CLineCodePainter painter;
    painter.SetCode(code);
    painter.SetLineWidth(m_width);
    (painter.*paint)(m_codeDC);
    for (int i = 0; i < kCodeBlitCount; ++i) {
        if (!BitBlt(m_screen, m_left, m_top, m_width, kCodeBandHeight, m_codeDC, 0, 0, SRCCOPY))
            return false;
    }
    HandOver();
    return true;
}

bool CScreenCodeBand::Restore() {
    const bool restored =
        BitBlt(m_screen, m_left, m_top, m_width, kCodeBandHeight, m_saveDC, 0, 0, SRCCOPY) != FALSE;
    HandOver();
    return restored;
}

void CScreenCodeBand::HandOver() {
    GetPixel(m_screen, m_left, m_top);
}

int EmitLineCode(int code) {
    return EmitLineCodeHolding(code, kCodeHoldMilliseconds);
}

int EmitLineCodeHolding(int code, DWORD holdMilliseconds) {
    return EmitLineCodeOn(RectOf(FindControllerMonitor().monitor.rect), code, holdMilliseconds);
}

int EmitLineCodeOn(const RECT& monitor, int code, DWORD holdMilliseconds) {
    CScreenCodeBand band;
    int result = band.Open(monitor);
    if (result != kResultOk)
        return result;
    if (!band.Show(code, &CLineCodePainter::Paint))
        return kResultBlitFailed;
    Sleep(holdMilliseconds);

    // Interlace and Normal have a second, double-height code.
    CScreenCodeBand::PaintRoutine second = nullptr;
    if (code == kCodeInterlace)
        second = &CLineCodePainter::PaintDoubleInterlace;
    else if (code == kCodeNormal)
        second = &CLineCodePainter::PaintDoubleNormal;
    if (second) {
        if (!band.Show(code, second))
            return kResultBlitFailed;
        Sleep(holdMilliseconds);
    }
    return band.Restore() ? kResultOk : kResultBlitFailed;
}
