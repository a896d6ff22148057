#pragma once
// Emission of a line code on the screen: the code is shown in the top 40 rows of the controller's
// monitor (settings/ControllerMonitor.h), from its left edge across its width, and what was there is
// put back afterwards; no other monitor is touched. Runs on the calling thread and blocks it meanwhile.

#include "framework/Handles.h"
#include "linecode/LineCodePainter.h"
#include "linecode/ResultCodes.h"

#include <optional>

// How long each code stays on the screen, and how often its band is blitted to the screen in a row.
inline constexpr DWORD kCodeHoldMilliseconds = 500;
inline constexpr int kCodeBlitCount = 10;

// Shows code `code` on the controller's monitor for 500 ms; Interlace (9) and Normal (-2) are followed
// by their 32-row code for another 500 ms. Returns kResultOk, or kResultNoScreenDC, kResultNoMemoryDC,
// kResultNoBitmap when the screen was left untouched, or kResultBlitFailed (after a failed code blit
// the band keeps the code until the screen is redrawn).
int EmitLineCode(int code);
// The same emission with another holding time (tests and benchmarks).
int EmitLineCodeHolding(int code, DWORD holdMilliseconds);
// The same emission at the top of `monitor` (virtual-screen coordinates).
int EmitLineCodeOn(const RECT& monitor, int code, DWORD holdMilliseconds);

// The top band of a monitor while a code is shown in it: the screen's device context, a band that
// holds the code and a copy of what the screen showed there.
class CScreenCodeBand {
public:
    using PaintRoutine = void (CLineCodePainter::*)(HDC) const;

    // Gets the device contexts and bitmaps for the top band of `monitor` (virtual-screen coordinates;
    // the screen device context's own are the same) and saves the band; a failure code leaves the
    // screen untouched.
    int Open(const RECT& monitor);
    // The same on the controller's monitor.
    int Open();
    // Fills the code band black, paints the code with `paint` and blits it kCodeBlitCount times;
    // false at the first failed blit.
    bool Show(int code, PaintRoutine paint);
    // Puts the saved band back; false when the blit failed.
    bool Restore();
    int Width() const noexcept { return m_width; }

private:
    // Has the display take what was drawn on the screen so far, by reading a pixel back: under Wine the
    // screen's drawing otherwise waits until the thread waits on a message queue, which the hook's
    // action thread never does, and the restored band would show late.
    void HandOver();

    CWindowDC m_screen{nullptr};
    CMemoryDC m_codeDC;
    CMemoryDC m_saveDC;
    CBitmap m_codeBitmap;
    CBitmap m_saveBitmap;
    // Declared last: the bitmaps are selected out before they and their device contexts go.
    std::optional<CSelectObject> m_codeSelection;
    std::optional<CSelectObject> m_saveSelection;
    int m_left = 0;
    int m_top = 0;
    int m_width = 0;
};
