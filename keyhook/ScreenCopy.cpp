#include "keyhook/ScreenCopy.h"

#include "display/DibLayout.h"
#include "linecode/ResultCodes.h"
#include "settings/ControllerMonitor.h"

namespace {

// 96 dots per inch.
constexpr LONG kPixelsPerMeter = 37795;

} // namespace

int CScreenCopy::Take() {
    return Take(RectOf(FindControllerMonitor().monitor.rect));
}

int CScreenCopy::Take(const RECT& monitor) {
    CWindowDC screen(nullptr);
    if (!screen)
        return kResultNoScreenDC;
    CMemoryDC memory(CreateCompatibleDC(screen));
    if (!memory)
        return kResultNoMemoryDC;
    const int width = monitor.right - monitor.left;
    const int height = monitor.bottom - monitor.top;
    CDibLayout layout;
    if (!DibLayoutOf(width, height, 32, layout))
        return kResultNoBitmap;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = layout.imageBytes;
    info.bmiHeader.biXPelsPerMeter = kPixelsPerMeter;
    info.bmiHeader.biYPelsPerMeter = kPixelsPerMeter;
    void* bits = nullptr;
    CBitmap section(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section || !bits)
        return kResultNoBitmap;
    {
        CSelectObject selection(memory, section);
        if (!BitBlt(memory, 0, 0, width, height, screen, monitor.left, monitor.top, SRCCOPY))
            return kResultBlitFailed;
        // The section's memory is complete only once GDI's queued drawing is flushed.
        GdiFlush();
    }
    m_section = std::move(section);
    m_bits = static_cast<const std::uint8_t*>(bits);
    m_bytes = layout.imageBytes;
    m_stride = layout.stride;
    m_width = width;
    m_height = height;
    return kResultOk;
}
