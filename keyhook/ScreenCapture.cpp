#include "keyhook/ScreenCapture.h"

#include "display/DibLayout.h"
#include "display/JpegCodec.h"
#include "display/SyncDoubleBands.h"
#include "framework/Handles.h"
#include "keyhook/CaptureFileName.h"
#include "keyhook/CaptureNaming.h"
#include "keyhook/RowSeparation.h"
#include "linecode/ResultCodes.h"
#include "settings/SettingsTypes.h"

#include <cstring>
#include <span>

namespace {

// 96 dots per inch.
constexpr LONG kPixelsPerMeter = 37795;

struct CCaptureTarget {
    HDC dc;
    std::uint8_t* bits;
    const BITMAPINFOHEADER& header;
};

// Copies the screen into the picture as `viewMode` lays it out; false when a blit failed.
bool CopyScreen(HDC screen, int width, int height, std::int32_t viewMode, const CCaptureTarget& target) {
    if (viewMode == kViewSyncDouble) {
        const CSyncDoubleBands bands = SyncDoubleBands(width, height);
        // A screen too small for the bands has nothing to stretch.
        if (bands.topRows <= 0 || bands.bottomStart >= height)
            return false;
        // No stretching mode is set: both bands are enlarged, so the mode's way of dropping rows never
        // applies.
        return StretchBlt(target.dc, 0, 0, width, height, screen, 0, 0, width, bands.topRows, SRCCOPY) &&
               StretchBlt(target.dc, width, 0, width, height, screen, 0, bands.bottomStart, width,
                          height - bands.bottomStart, SRCCOPY);
    }
    // One read of the screen: the row separation fills the right half from the left one.
    if (!BitBlt(target.dc, 0, 0, width, height, screen, 0, 0, SRCCOPY))
        return false;
    if (viewMode != kViewInterlace && viewMode != kViewLineBlank)
        return true;
    // The section's memory is complete only once GDI's queued drawing is flushed.
    GdiFlush();
    const auto size = static_cast<std::size_t>(target.header.biSizeImage);
    return SeparateInterlacedRows(std::span(target.bits, size), size / static_cast<std::size_t>(height),
                                  width, height);
}

} // namespace

bool CaptureHeaderOf(int screenWidth, int screenHeight, std::int32_t viewMode, BITMAPINFOHEADER& header) {
    const std::int64_t width =
        viewMode == kViewFlat2D ? screenWidth : 2 * static_cast<std::int64_t>(screenWidth);
    CDibLayout layout;
    if (!DibLayoutOf(width, screenHeight, 24, layout) || screenHeight < 0)
        return false;
    header = BITMAPINFOHEADER{};
    header.biSize = sizeof header;
    header.biWidth = static_cast<LONG>(width);
    header.biHeight = screenHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = layout.imageBytes;
    header.biXPelsPerMeter = kPixelsPerMeter;
    header.biYPelsPerMeter = kPixelsPerMeter;
    return true;
}

int CaptureScreen() {
    std::string path;
    std::int32_t viewMode = 0;
    if (!MakeCaptureFileName(path, viewMode))
        return kResultCaptureUnavailable;
    return CaptureScreenTo(path, viewMode);
}

int CaptureScreenTo(const std::string& path, std::int32_t viewMode) {
    if (!IsCaptureViewMode(viewMode))
        return kResultCaptureUnavailable;
    CWindowDC screen(nullptr);
    if (!screen)
        return kResultNoScreenDC;
    CMemoryDC memory(CreateCompatibleDC(screen));
    if (!memory)
        return kResultNoMemoryDC;
    const int width = GetDeviceCaps(screen, HORZRES);
    const int height = GetDeviceCaps(screen, VERTRES);
    BITMAPINFO info{};
    if (!CaptureHeaderOf(width, height, viewMode, info.bmiHeader))
        return kResultNoBitmap;
    void* bits = nullptr;
    CBitmap section(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section || !bits)
        return kResultNoBitmap;
    {
        CSelectObject selection(memory, section);
        if (!CopyScreen(screen, width, height, viewMode,
                        {memory, static_cast<std::uint8_t*>(bits), info.bmiHeader}))
            return kResultBlitFailed;
        GdiFlush();
    }
    // The picture was taken; whether the encoder managed to write it is not the capture's result.
    SaveDibAsJpeg(&info.bmiHeader, bits, path.c_str());
    return kResultOk;
}

int SaveDibAsJpeg(const BITMAPINFOHEADER* header, const void* rows, const char* path) {
    // The codec reads the header, its colour table and the rows where they are: copying a capture
    // into a packed block first would cost about as much as encoding it (fresh memory is slow to touch
    // under Wine).
    return EncodeJpegDib(header, rows, path) ? 1 : 0;
}
