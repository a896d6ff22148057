#include "keyhook/ScreenBands.h"

#include "display/DibLayout.h"
#include "linecode/ResultCodes.h"

#include <algorithm>
#include <span>

namespace {

// 96 dots per inch.
constexpr LONG kPixelsPerMeter = 37795;

} // namespace

int CScreenBands::Open(std::int32_t viewMode, int slotCount) {
    if (!m_screen)
        return kResultNoScreenDC;
    m_memory.reset(CreateCompatibleDC(m_screen));
    if (!m_memory)
        return kResultNoMemoryDC;
    const int width = GetDeviceCaps(m_screen, HORZRES);
    const int height = GetDeviceCaps(m_screen, VERTRES);
    if (!CaptureLayoutOf(width, height, viewMode, m_layout))
        return kResultBlitFailed;
    // Each slot a DIB section of one band, rows from the top as the encoder takes them.
    CDibLayout band;
    if (!DibLayoutOf(PictureWidth(m_layout), kCaptureBandRows, 24, band))
        return kResultNoBitmap;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = PictureWidth(m_layout);
    info.bmiHeader.biHeight = -kCaptureBandRows;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = band.imageBytes;
    info.bmiHeader.biXPelsPerMeter = kPixelsPerMeter;
    info.bmiHeader.biYPelsPerMeter = kPixelsPerMeter;
    m_stride = band.stride;
    m_slots.resize(static_cast<size_t>(std::max(slotCount, 1)));
    for (CSlot& slot : m_slots) {
        void* bits = nullptr;
        slot.bitmap.reset(CreateDIBSection(m_screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        slot.bits = static_cast<std::uint8_t*>(bits);
        if (!slot.bitmap || !slot.bits)
            return kResultNoBitmap;
    }
    return kResultOk;
}

unsigned CScreenBands::RowsOf(int band) const noexcept {
    CBandPlan plan;
    return PlanBand(m_layout, kCaptureBandRows, band, plan) ? static_cast<unsigned>(plan.rows) : 0;
}

bool CScreenBands::Copy(int band, int slot) {
    CBandPlan plan;
    if (slot < 0 || static_cast<size_t>(slot) >= m_slots.size() ||
        !PlanBand(m_layout, kCaptureBandRows, band, plan))
        return false;
    CSlot& target = m_slots[static_cast<size_t>(slot)];
    {
        CSelectObject selection(m_memory, target.bitmap);
        for (int c = 0; c < plan.copyCount; ++c) {
            const CBandCopy& copy = plan.copies[c];
            if (!BitBlt(m_memory, copy.half * m_layout.screenWidth, 0, m_layout.screenWidth, copy.rows,
                        m_screen, 0, copy.firstScreenRow, SRCCOPY))
                return false;
        }
    }
    // The section's memory is complete only once GDI's queued drawing is flushed.
    GdiFlush();
    const std::size_t bytes = static_cast<std::size_t>(m_stride) * kCaptureBandRows;
    return ArrangeBand(m_layout, plan, std::span(target.bits, bytes), m_stride);
}
