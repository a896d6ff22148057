#pragma once
// One device-independent bitmap held in memory: a header block (a 40-byte BITMAPINFOHEADER followed by
// its colour table) and a pixel block of rows stored bottom-up, each padded to a multiple of 4 bytes.
// Colours are blue, green, red. The data side is plain code; drawing with GDI is declared for Windows
// builds only and lives in DibImageDrawing.cpp.
//
// Whatever a holder carries has been checked: its sizes fit 32 bits, its pixel block holds every row
// that its header describes, and its header names no colour table entry that the block does not hold,
// so a drawing call never reads outside the blocks.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#if defined(_WIN32)
#include <windows.h>
#endif

static_assert(std::endian::native == std::endian::little, "the bitmap layouts are little-endian");

// The BITMAPINFOHEADER layout.
struct CDibInfoHeader {
    std::uint32_t size;
    std::int32_t width;
    std::int32_t height;
    std::uint16_t planes;
    std::uint16_t bitCount;
    std::uint32_t compression;
    std::uint32_t sizeImage;
    std::int32_t xPelsPerMeter;
    std::int32_t yPelsPerMeter;
    std::uint32_t clrUsed;
    std::uint32_t clrImportant;
};
static_assert(sizeof(CDibInfoHeader) == 40);

// The RGBQUAD layout of a colour-table entry.
struct CDibQuad {
    std::uint8_t blue;
    std::uint8_t green;
    std::uint8_t red;
    std::uint8_t reserved;
};
static_assert(sizeof(CDibQuad) == 4);

// The type codes of Create.
inline constexpr std::uint8_t kDibMonochrome = 0; // 1 bit per pixel, black and white
inline constexpr std::uint8_t kDibGrey = 1;       // 8 bits per pixel, a grey ramp
inline constexpr std::uint8_t kDibTrueColour = 2; // 24 bits per pixel, no table

class CDibImage {
public:
    CDibImage() noexcept = default;
    virtual ~CDibImage() = default;
    CDibImage(const CDibImage&) = delete;
    CDibImage& operator=(const CDibImage&) = delete;

    // Builds an uninitialised `width` x `height` bitmap of the type code's depth. An unknown type code,
    // a zero size, a size whose rows do not fit 32 bits or a failed allocation leave the holder as it
    // was; false then.
    bool Create(std::uint8_t type, std::uint32_t width, std::uint32_t height);
    // Releases both blocks; harmless on an empty holder.
    void Free() noexcept;
    // Exchanges what the two holders hold.
    void Swap(CDibImage& other) noexcept {
        m_header.swap(other.m_header);
        m_pixels.swap(other.m_pixels);
    }

    bool IsEmpty() const noexcept { return !m_header; }
    // The header's fields, 0 for an empty holder.
    std::int32_t GetWidth() const noexcept;
    std::int32_t GetHeight() const noexcept;
    unsigned GetBitCount() const noexcept;
    // Bytes per stored row: the row's bytes rounded up to a multiple of 4.
    std::uint32_t GetStride() const noexcept;
    // Stride x height.
    std::uint32_t GetImageSize() const noexcept;

    // Fills the holder from the .bmp image that begins at the file's current position: 1, 8 or 24 bits
    // per pixel, uncompressed, bottom-up. False, with the holder empty, for anything else: another bit
    // count or compression, a size whose rows do not fit 32 bits, a file cut short in its headers, its
    // colour table or its rows, or rows that the file cannot hold. A header longer than 40 bytes is
    // accepted and its colour table taken from after it. An 8-bit image always gets 256 table entries.
    bool ReadBitmapFile(std::FILE* file);

    // Fills the holder from a packed DIB of `bytes` bytes (header, colour table of 2, 16 or 256 entries
    // for 1, 4 or 8 bits per pixel, rows), as the JPEG codec hands pictures over. False, with the holder
    // empty, when the header is not an uncompressed bottom-up bitmap of 1, 4, 8, 16, 24 or 32 bits or
    // when `bytes` does not cover its table and rows.
    bool LoadPackedDib(const std::uint8_t* packed, std::size_t bytes);

    // The header block (header, then colour table) and the pixel block; null when empty.
    const CDibInfoHeader* Header() const noexcept {
        return reinterpret_cast<const CDibInfoHeader*>(m_header.get());
    }
    const CDibQuad* ColourTable() const noexcept;
    std::uint8_t* Pixels() noexcept { return m_pixels.get(); }
    const std::uint8_t* Pixels() const noexcept { return m_pixels.get(); }
    // The stored bytes of picture row `row`, counted from the top; null when outside the picture.
    std::uint8_t* RowFromTop(std::int32_t row) noexcept;
    const std::uint8_t* RowFromTop(std::int32_t row) const noexcept;

#if defined(_WIN32)
    // Copies `source` (picture coordinates as SetDIBitsToDevice takes them) 1:1 to `destination` of
    // `dc`. Returns the number of scan lines set; on a failure shows the system's text for the error
    // in a message box and returns 0. An empty holder draws nothing and returns 0.
    int DrawUnscaled(HDC dc, const RECT& source, POINT destination) const;
    // Stretches `source` into `destination` of `dc` with raster operation `rop`, in the stretch mode
    // that the caller set. Returns StretchDIBits's result, 0 for an empty holder.
    int DrawStretched(HDC dc, const RECT& source, const RECT& destination, DWORD rop) const;
#endif

private:
    // Takes the blocks, putting the header's size fields in line with what the blocks hold.
    void Adopt(std::unique_ptr<std::uint8_t[]> header, std::unique_ptr<std::uint8_t[]> pixels,
               std::uint32_t tableEntries, std::uint32_t imageBytes) noexcept;

    std::unique_ptr<std::uint8_t[]> m_header;
    std::unique_ptr<std::uint8_t[]> m_pixels;
};
