#include "display/StereoFrame.h"

#include "framework/Handles.h"

#include <algorithm>
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

void FlashLineCode(HWND window, const CMonitorRect& monitor, int code, CodePattern pattern) {
    CWindowDC dc(window);
    const int width = monitor.Width();
    // The screen's device context reaches the monitor at its own coordinates.
    POINT origin{0, 0};
    if (dc && !window)
        SetViewportOrgEx(dc, monitor.left, monitor.top, &origin);
    CLineCodePainter painter;
    painter.SetLineWidth(width);
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
    if (dc && !window)
        SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
}

void FlashOpeningCodes(HWND window, const CMonitorRect& monitor, int viewMode) {
    switch (viewMode) {
    case kViewInterlace:
        FlashLineCode(window, monitor, kCodeInterlace, &CLineCodePainter::Paint);
        FlashLineCode(window, monitor, kCodeInterlace, &CLineCodePainter::PaintDoubleInterlace);
        break;
    case kViewSyncDouble:
        FlashLineCode(window, monitor, kCodeSyncDouble, &CLineCodePainter::Paint);
        break;
    case kViewLineBlank:
        FlashLineCode(window, monitor, kCodeLineBlank, &CLineCodePainter::Paint);
        break;
    case kViewFlat2D:
        FlashLineCode(window, monitor, kCodeNormal, &CLineCodePainter::Paint);
        break;
    default:
        break;
    }
}

void FlashClosingCodes(HWND window, const CMonitorRect& monitor) {
    FlashLineCode(window, monitor, kCodeNormal, &CLineCodePainter::PaintDoubleNormal);
    FlashLineCode(window, monitor, kCodeNormal, &CLineCodePainter::Paint);
}

bool ComposeInterleavedFrame(CDibImage& pair, CDibImage& frame) {
    return ComposeInterleavedFrame(pair, frame, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

SIZE SurfaceSize(HDC dc) {
    if (HWND window = WindowFromDC(dc)) {
        RECT client{};
        GetClientRect(window, &client);
        return SIZE{client.right, client.bottom};
    }
    BITMAP bitmap{};
    if (GetObjectType(dc) == OBJ_MEMDC &&
        GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof bitmap, &bitmap))
        return SIZE{bitmap.bmWidth, bitmap.bmHeight};
    return SIZE{GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES)};
}

void DrawFrameCentred(HDC dc, const CDibImage& image) {
    const SIZE surface = SurfaceSize(dc);
    const int width = surface.cx;
    const int height = surface.cy;
    FillBlack(dc, width, height);
    if (image.IsEmpty())
        return;
    const CFrameOffset offset = CentredOffset(width, height, image.GetWidth(), image.GetHeight());
    image.DrawUnscaled(dc, WholeOf(image), POINT{offset.x, offset.y});
}

void DrawSyncDouble(HDC dc, const CDibImage& pair, int gapAdjust) {
    const SIZE surface = SurfaceSize(dc);
    const int width = surface.cx;
    const int height = surface.cy;
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
    BITMAP size{};
    if (!GetObjectA(frame, sizeof size, &size))
        return;
    const int width = size.bmWidth;
    const int height = size.bmHeight;
    CMemoryDC frameDC;
    {
        CWindowDC dc(window);
        if (!dc)
            return;
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

RECT DrawNoticeBox(HDC dc, const std::wstring& text, COLORREF background, bool syncDoubleBands,
                   int gapAdjust) {
    const SIZE surface = SurfaceSize(dc);
    const int width = surface.cx;
    const int height = surface.cy;
    // Sync Double stretches each band to the screen's height.
    const int textHeight = std::max(10, height / (syncDoubleBands ? 72 : 36));
    CFont font(CreateFontW(-textHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                           L"Segoe UI"));
    CSelectObject selection(dc, font);
    CBrush brush(CreateSolidBrush(background));
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    const int margin = textHeight / 2;
    const int previousMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF previousColour = SetTextColor(dc, RGB(255, 255, 255));
    RECT covered{};
    const auto drawAbove = [&](int bottom) {
        const RECT box{margin, bottom - margin - extent.cy - margin,
                       std::min<LONG>(width, 3 * margin + extent.cx), bottom - margin};
        FillRect(dc, &box, brush);
        TextOutW(dc, box.left + margin, box.top + margin / 2, text.c_str(), static_cast<int>(text.size()));
        UnionRect(&covered, &covered, &box);
    };
    if (syncDoubleBands)
        drawAbove(SyncDoubleRows(width, height, gapAdjust).topEnd);
    drawAbove(height);
    SetTextColor(dc, previousColour);
    SetBkMode(dc, previousMode);
    return covered;
}
