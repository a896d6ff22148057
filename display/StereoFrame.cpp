#include "display/StereoFrame.h"

#include "framework/Handles.h"

#include <optional>

namespace {

void FillBlack(HDC dc, int width, int height) {
    RECT area{0, 0, width, height};
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

RECT WholeOf(const CDibImage& image) {
    return RECT{0, 0, image.GetWidth(), image.GetHeight()};
}

// Keeps what was just drawn on the screen for `milliseconds`. Under Wine a window's drawing (and the
// screen DC's) reaches the X server, and so the monitor, only when a thread of the program waits on its
// message queue; after a plain Sleep the code would never be seen. This wait watches the queue with
// an empty wake mask: it takes no message, so nothing re-enters the window, and none ends it early.
void HoldOnScreen(DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64())
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), 0, 0);
}

} // namespace

void FlashLineCode(HWND window, int code, CodePattern pattern) {
    CWindowDC dc(window);
    const int width = dc ? GetDeviceCaps(dc, HORZRES) : 0;
    CLineCodePainter painter;
    CMemoryDC saveDC(dc ? CreateCompatibleDC(dc) : nullptr);
    CBitmap saved(dc ? CreateCompatibleBitmap(dc, width, kCodeBandHeight) : nullptr);
    // Declared after the bitmap and its device context: selected out before they go.
    std::optional<CSelectObject> selection;
    bool haveSaved = false;
    if (saveDC && saved) {
        selection.emplace(saveDC, saved);
        haveSaved = BitBlt(saveDC, 0, 0, width, kCodeBandHeight, dc, 0, 0, SRCCOPY) != FALSE;
    }

    if (dc) {
        FillBlack(dc, width, kCodeBandHeight);
        painter.SetCode(code);
        for (int i = 0; i < 3; ++i)
            (painter.*pattern)(dc);
    }
    HoldOnScreen(kFlashMilliseconds);

    if (haveSaved)
        BitBlt(dc, 0, 0, width, kCodeBandHeight, saveDC, 0, 0, SRCCOPY);
}

void FlashOpeningCodes(HWND window, int viewMode) {
    switch (viewMode) {
    case kViewInterlace:
        FlashLineCode(window, kCodeInterlace, &CLineCodePainter::Paint);
        FlashLineCode(window, kCodeInterlace, &CLineCodePainter::PaintDoubleInterlace);
        break;
    case kViewSyncDouble:
        FlashLineCode(window, kCodeSyncDouble, &CLineCodePainter::Paint);
        break;
    case kViewLineBlank:
        FlashLineCode(window, kCodeLineBlank, &CLineCodePainter::Paint);
        break;
    case kViewFlat2D:
        FlashLineCode(window, kCodeNormal, &CLineCodePainter::Paint);
        break;
    default:
        break;
    }
}

void FlashClosingCodes(HWND window) {
    FlashLineCode(window, kCodeNormal, &CLineCodePainter::PaintDoubleNormal);
    FlashLineCode(window, kCodeNormal, &CLineCodePainter::Paint);
}

bool ComposeInterleavedFrame(CDibImage& pair, CDibImage& frame) {
    return ComposeInterleavedFrame(pair, frame, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

void DrawFrameCentred(HDC dc, const CDibImage& image) {
    const int width = GetDeviceCaps(dc, HORZRES);
    const int height = GetDeviceCaps(dc, VERTRES);
    FillBlack(dc, width, height);
    if (image.IsEmpty())
        return;
    const CFrameOffset offset = CentredOffset(width, height, image.GetWidth(), image.GetHeight());
    image.DrawUnscaled(dc, WholeOf(image), POINT{offset.x, offset.y});
}

void DrawSyncDouble(HDC dc, const CDibImage& pair, int gapAdjust) {
    const int width = GetDeviceCaps(dc, HORZRES);
    const int height = GetDeviceCaps(dc, VERTRES);
    FillBlack(dc, width, height);
    if (pair.IsEmpty())
        return;
    const CSyncDoubleRows rows = SyncDoubleRows(width, height, gapAdjust);
    const int half = pair.GetWidth() / 2;
    const int pictureHeight = pair.GetHeight();
    if (rows.topEnd > 0)
        pair.DrawStretched(dc, RECT{0, 0, half, pictureHeight}, RECT{0, 0, width, rows.topEnd}, SRCCOPY);
    if (rows.bottomStart < height)
        pair.DrawStretched(dc, RECT{half, 0, 2 * half, pictureHeight},
                           RECT{0, rows.bottomStart, width, height}, SRCCOPY);
}

void ComposeTestFrame(HWND window, int format, const CDibImage* left, const CDibImage* right, HBITMAP frame,
                      const RECT& top, const RECT& bottom) {
    if (format < kViewInterlace || format > kViewLineBlank || !left || !right || left->IsEmpty() ||
        right->IsEmpty() || !frame)
        return;
    int width = 0;
    int height = 0;
    CMemoryDC frameDC;
    {
        CWindowDC dc(window);
        if (!dc)
            return;
        width = GetDeviceCaps(dc, HORZRES);
        height = GetDeviceCaps(dc, VERTRES);
        frameDC.reset(CreateCompatibleDC(dc));
    }
    if (!frameDC)
        return;
    SetStretchBltMode(frameDC, COLORONCOLOR);
    CSelectObject frameSelection(frameDC, frame);

    if (format == kViewSyncDouble) {
        FillBlack(frameDC, width, height);
        left->DrawStretched(frameDC, WholeOf(*left), top, SRCCOPY);
        right->DrawStretched(frameDC, WholeOf(*right), bottom, SRCCOPY);
        return;
    }

    const RECT screen{0, 0, width, height};
    left->DrawStretched(frameDC, WholeOf(*left), screen, SRCCOPY);
    CMemoryDC rightDC(CreateCompatibleDC(frameDC));
    CBitmap rightFrame(CreateCompatibleBitmap(frameDC, width, height));
    if (!rightDC || !rightFrame)
        return;
    SetStretchBltMode(rightDC, COLORONCOLOR);
    CSelectObject rightSelection(rightDC, rightFrame);
    right->DrawStretched(rightDC, WholeOf(*right), screen, SRCCOPY);
    for (int y = 1; y < height; y += 2)
        BitBlt(frameDC, 0, y, width, 1, rightDC, 0, y, SRCCOPY);
}
