#pragma once
// The pieces that the ColorCode editor draws: filled rectangles, the selection frame around a swatch
// and the round marker beside the current line's bar. Each call creates and releases its own pens and
// brushes.

#include <windows.h>

// The colour of the window class's background brush of `window`; COLOR_BTNFACE when the class has no
// brush or its colour cannot be read.
COLORREF WindowClassBackgroundColour(HWND window);

void FillSolid(HDC dc, const RECT& rect, COLORREF colour);

// The thickness of a swatch frame: half the vertical gap between the first two swatches, rounded up.
int SwatchFrameThickness(const RECT& swatch0, const RECT& swatch1);

// A frame `thickness` pixels thick around `swatch`, one pixel of background away from it.
void DrawSwatchFrame(HDC dc, const RECT& swatch, int thickness, COLORREF colour);

// A filled circle as tall as `bar`, half a bar height to the right of it.
void DrawLineMarker(HDC dc, const RECT& bar, COLORREF colour);
