#pragma once
// The screen read band by band for a capture: each band of the picture is copied from the screen into
// one bitmap of a small ring and arranged there as its view mode lays the picture out (CaptureBands.h),
// ready for the encoder. The screen is what the thread that calls Open and Copy sees (its DPI awareness
// decides the size); both must come from that one thread. A band's rows may be read by another thread
// until that slot is copied into again.

#include "framework/Handles.h"
#include "keyhook/CaptureBands.h"

#include <cstdint>
#include <vector>

class CScreenBands {
public:
    CScreenBands() noexcept : m_screen(nullptr) {}
    CScreenBands(const CScreenBands&) = delete;
    CScreenBands& operator=(const CScreenBands&) = delete;

    // Gets the screen and a ring of `slotCount` band bitmaps. kResultOk, kResultNoScreenDC,
    // kResultNoMemoryDC or kResultNoBitmap; kResultBlitFailed when the screen cannot be read in
    // `viewMode` (too small for the Sync Double bands of its width, or wider than a picture can be).
    int Open(std::int32_t viewMode, int slotCount);

    const CCaptureLayout& Layout() const noexcept { return m_layout; }
    // The picture's size in pixels.
    unsigned Width() const noexcept { return static_cast<unsigned>(PictureWidth(m_layout)); }
    unsigned Height() const noexcept { return static_cast<unsigned>(m_layout.screenHeight); }
    int BandCount() const noexcept { return ::BandCount(m_layout, kCaptureBandRows); }
    // The rows of band `band`.
    unsigned RowsOf(int band) const noexcept;

    // Copies band `band` of the picture into slot `slot`; false when a blit failed.
    bool Copy(int band, int slot);
    // The band last copied into `slot`, rows from the top, Stride() bytes apart.
    const std::uint8_t* Rows(int slot) const noexcept { return m_slots[static_cast<size_t>(slot)].bits; }
    unsigned Stride() const noexcept { return m_stride; }

private:
    struct CSlot {
        CBitmap bitmap;
        std::uint8_t* bits = nullptr;
    };

    CWindowDC m_screen;
    CMemoryDC m_memory;
    CCaptureLayout m_layout;
    unsigned m_stride = 0;
    std::vector<CSlot> m_slots;
};
