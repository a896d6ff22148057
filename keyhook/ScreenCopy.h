#pragma once
// The controller's monitor (settings/ControllerMonitor.h) copied into memory in one blit: one instant
// of what it shows, however fast the program in front changes it, and nothing of the other monitors.
// Its size is what the calling thread sees (its DPI awareness decides it). The copy has 32 bits per pixel
// (blue, green, red, one byte unused: the screen's own form, which is read fastest), rows from the top; it is
// freed with the object.

#include "framework/Handles.h"

#include <cstddef>
#include <cstdint>
#include <span>

class CScreenCopy {
public:
    CScreenCopy() = default;
    CScreenCopy(const CScreenCopy&) = delete;
    CScreenCopy& operator=(const CScreenCopy&) = delete;

    // Copies the controller's monitor. kResultOk, or kResultNoScreenDC, kResultNoMemoryDC,
    // kResultNoBitmap or kResultBlitFailed, with no copy.
    int Take();
    // Copies `monitor` (virtual-screen coordinates), with the same results.
    int Take(const RECT& monitor);

    int Width() const noexcept { return m_width; }
    int Height() const noexcept { return m_height; }
    // Height() rows of 4 * Width() bytes, Stride() bytes apart.
    std::span<const std::uint8_t> Rows() const noexcept { return {m_bits, m_bytes}; }
    std::size_t Stride() const noexcept { return m_stride; }

private:
    CBitmap m_section;
    const std::uint8_t* m_bits = nullptr;
    std::size_t m_bytes = 0;
    std::size_t m_stride = 0;
    int m_width = 0;
    int m_height = 0;
};
