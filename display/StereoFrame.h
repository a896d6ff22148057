#pragma once
// The stereo frames of the full-screen windows (the captured-image browser and the test display) and
// the line-code flashes with which those windows switch the stereo controller. Everything here runs on
// the window's user-interface thread; each flash blocks it for kFlashMilliseconds.

#include "display/DibImage.h"
#include "display/FrameComposition.h"
#include "linecode/LineCodePainter.h"
#include "settings/MonitorRules.h"
#include "settings/SettingsTypes.h"

#include <windows.h>

#include <string>

inline constexpr DWORD kFlashMilliseconds = 500;

// One of the painter's routines: Paint (the code number's own pattern), PaintDoubleInterlace or
// PaintDoubleNormal.
using CodePattern = void (CLineCodePainter::*)(HDC) const;

// Shows `pattern` with code number `code` in the top 40 rows of `monitor` (virtual-screen coordinates),
// across its width, for kFlashMilliseconds, drawn on the window's own device context (the window covers
// the monitor) or, for a null window, on the screen's; and puts back what the rows showed. The code is on
// the screen for the whole time: the wait takes no message, yet it hands what was drawn to the display
// first (which Wine does only when the thread waits on its message queue). Reports nothing: when the
// rows cannot be saved, the code is shown all the same and the rows are left to the window's next paint
// (both windows draw their whole frame next).
void FlashLineCode(HWND window, const CMonitorRect& monitor, int code, CodePattern pattern);
// The flashes with which a window switches the controller into `viewMode` when it first paints:
// Interlace code 9 then the double Interlace code, Sync Double code 6, Line Blank code 8, 2D the
// Normal code.
void FlashOpeningCodes(HWND window, const CMonitorRect& monitor, int viewMode);
// The flashes with which a stereo window hands the controller back: double Normal, then Normal.
void FlashClosingCodes(HWND window, const CMonitorRect& monitor);

// The interleaved frame of Interlace and Line Blank display for the primary screen's size
// (SM_CXSCREEN x SM_CYSCREEN); `pair` is freed.
bool ComposeInterleavedFrame(CDibImage& pair, CDibImage& frame);

// What a device context draws on: the client area of its window, the bitmap selected into a memory
// device context, or else the device's HORZRES x VERTRES.
SIZE SurfaceSize(HDC dc);

// Fills the device context's surface (SurfaceSize: for a stereo window, its monitor) black and draws
// `image` 1:1 at CentredOffset.
void DrawFrameCentred(HDC dc, const CDibImage& image);
// Fills the device context's surface black and stretches the left half of the side-by-side `pair` into
// the top band and its right half into the bottom band of SyncDoubleRows for the surface's size; the
// caller sets COLORONCOLOR.
void DrawSyncDouble(HDC dc, const CDibImage& pair, int gapAdjust);

// Draws `text` in white on a box of `background` at the bottom left of the device context's surface,
// in letters of a 36th of its height; with `syncDoubleBands`, half as high at the bottom of each band
// of SyncDoubleRows (`gapAdjust`), so that both eyes see it alike. Returns what the boxes cover.
RECT DrawNoticeBox(HDC dc, const std::wstring& text, COLORREF background, bool syncDoubleBands,
                   int gapAdjust);

// Composes the test display's frame (a bitmap compatible with `window`'s device context, as large as
// the monitor it shows on) from the test bitmaps: for Sync Double (1) `left` stretched into `top` and `right`
// into `bottom` over black; for Interlace (0) and Line Blank (2) both stretched over the whole frame,
// the even rows showing `left` and the odd rows `right`. Does nothing for another format or a missing
// or empty bitmap.
void ComposeTestFrame(HWND window, int format, const CDibImage* left, const CDibImage* right, HBITMAP frame,
                      const RECT& top, const RECT& bottom);
