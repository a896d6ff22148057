#include "display/DibImage.h"

#include "display/DibLayout.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

namespace {

constexpr std::uint16_t kBitmapFileType = 0x4D42; // "BM"
constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::uint32_t kUncompressed = 0; // BI_RGB
constexpr std::int32_t kPixelsPerMetre = 120;

std::unique_ptr<std::uint8_t[]> Allocate(std::size_t bytes) noexcept {
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[bytes]);
}

std::uint32_t ReadLittle32(const std::uint8_t* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

CDibInfoHeader HeaderOf(const std::uint8_t* bytes) {
    CDibInfoHeader header;
    std::memcpy(&header, bytes, sizeof header);
    return header;
}

// The table entries of a .bmp file's bit count; false for the depths the holder does not read.
bool FileTableEntries(unsigned bitCount, std::uint32_t& entries) {
    switch (bitCount) {
    case 1:
        entries = 2;
        return true;
    case 8:
        entries = 256;
        return true;
    case 24:
        entries = 0;
        return true;
    default:
        return false;
    }
}

bool ReadExactly(std::FILE* file, void* buffer, std::size_t bytes) {
    return std::fread(buffer, 1, bytes, file) == bytes;
}

// Bytes from `position` to the end of the file; -1 when the file cannot tell.
long long BytesFrom(std::FILE* file, long long position) {
    if (std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    long end = std::ftell(file);
    return end < 0 ? -1 : end - position;
}

bool SeekTo(std::FILE* file, long long position) {
    return position >= 0 && position <= LONG_MAX &&
           std::fseek(file, static_cast<long>(position), SEEK_SET) == 0;
}

} // namespace

bool CDibImage::Create(std::uint8_t type, std::uint32_t width, std::uint32_t height) {
    unsigned bitCount = 0;
    switch (type) {
    case kDibMonochrome:
        bitCount = 1;
        break;
    case kDibGrey:
        bitCount = 8;
        break;
    case kDibTrueColour:
        bitCount = 24;
        break;
    default:
        return false;
    }
    CDibLayout layout;
    if (!DibLayoutOf(width, height, bitCount, layout))
        return false;
    auto header = Allocate(layout.headerBytes);
    auto pixels = Allocate(layout.imageBytes);
    if (!header || !pixels)
        return false;

    CDibInfoHeader info{};
    info.size = kDibHeaderBytes;
    info.width = static_cast<std::int32_t>(width);
    info.height = static_cast<std::int32_t>(height);
    info.planes = 1;
    info.bitCount = static_cast<std::uint16_t>(bitCount);
    info.compression = kUncompressed;
    info.xPelsPerMeter = kPixelsPerMetre;
    info.yPelsPerMeter = kPixelsPerMetre;
    info.clrUsed = layout.tableEntries;
    info.clrImportant = layout.tableEntries;
    std::memcpy(header.get(), &info, sizeof info);
    auto* table = reinterpret_cast<CDibQuad*>(header.get() + kDibHeaderBytes);
    for (std::uint32_t i = 0; i < layout.tableEntries; ++i) {
        // Black and white for 1 bit, a grey ramp for 8 bits.
        auto level = static_cast<std::uint8_t>(bitCount == 1 ? i * 255 : i);
        table[i] = CDibQuad{level, level, level, 0};
    }
    Adopt(std::move(header), std::move(pixels), layout.tableEntries, layout.imageBytes);
    return true;
}

void CDibImage::Free() noexcept {
    m_header.reset();
    m_pixels.reset();
}

std::int32_t CDibImage::GetWidth() const noexcept {
    return m_header ? Header()->width : 0;
}

std::int32_t CDibImage::GetHeight() const noexcept {
    return m_header ? Header()->height : 0;
}

unsigned CDibImage::GetBitCount() const noexcept {
    return m_header ? Header()->bitCount : 0;
}

std::uint32_t CDibImage::GetStride() const noexcept {
    if (!m_header)
        return 0;
    // Every held size passed DibLayoutOf, so the 64-bit result fits 32 bits.
    const std::uint64_t bits =
        static_cast<std::uint64_t>(Header()->bitCount) * static_cast<std::uint32_t>(GetWidth());
    return static_cast<std::uint32_t>((bits + 7) / 8 + 3) / 4 * 4;
}

std::uint32_t CDibImage::GetImageSize() const noexcept {
    return GetStride() * static_cast<std::uint32_t>(GetHeight());
}

const CDibQuad* CDibImage::ColourTable() const noexcept {
    return m_header ? reinterpret_cast<const CDibQuad*>(m_header.get() + kDibHeaderBytes) : nullptr;
}

std::uint8_t* CDibImage::RowFromTop(std::int32_t row) noexcept {
    const std::int32_t height = GetHeight();
    if (!m_pixels || row < 0 || row >= height)
        return nullptr;
    return m_pixels.get() + static_cast<std::size_t>(height - 1 - row) * GetStride();
}

const std::uint8_t* CDibImage::RowFromTop(std::int32_t row) const noexcept {
    return const_cast<CDibImage*>(this)->RowFromTop(row);
}

void CDibImage::Adopt(std::unique_ptr<std::uint8_t[]> header, std::unique_ptr<std::uint8_t[]> pixels,
                      std::uint32_t tableEntries, std::uint32_t imageBytes) noexcept {
    // GDI reads a header of the size the header names, and as many table entries as "colours used"
    // names (up to 256, whatever the depth): both must stay within what the block holds.
    CDibInfoHeader info = HeaderOf(header.get());
    info.size = kDibHeaderBytes;
    info.sizeImage = imageBytes;
    info.clrUsed = std::min(info.clrUsed, tableEntries);
    info.clrImportant = std::min(info.clrImportant, tableEntries);
    std::memcpy(header.get(), &info, sizeof info);
    m_header = std::move(header);
    m_pixels = std::move(pixels);
}

bool CDibImage::ReadBitmapFile(std::FILE* file) {
    Free();
    if (!file)
        return false;
    const long start = std::ftell(file);
    std::uint8_t fileHeader[kFileHeaderBytes];
    std::uint8_t infoBytes[kDibHeaderBytes];
    if (start < 0 || !ReadExactly(file, fileHeader, sizeof fileHeader) ||
        (fileHeader[0] | (fileHeader[1] << 8)) != kBitmapFileType ||
        !ReadExactly(file, infoBytes, sizeof infoBytes))
        return false;
    const std::uint32_t pixelOffset = ReadLittle32(fileHeader + 10);
    const CDibInfoHeader info = HeaderOf(infoBytes);

    std::uint32_t entries = 0;
    CDibLayout layout;
    if (!FileTableEntries(info.bitCount, entries) || info.size < kDibHeaderBytes ||
        info.compression != kUncompressed || info.height <= 0 ||
        !DibLayoutOf(info.width, info.height, info.bitCount, layout))
        return false;

    auto header = Allocate(layout.headerBytes);
    if (!header)
        return false;
    std::memcpy(header.get(), infoBytes, sizeof infoBytes);
    if (entries > 0) {
        // The table follows the whole header, however long the file's header is.
        if (info.size > kDibHeaderBytes &&
            !SeekTo(file, static_cast<long long>(start) + kFileHeaderBytes + info.size))
            return false;
        if (!ReadExactly(file, header.get() + kDibHeaderBytes, layout.headerBytes - kDibHeaderBytes))
            return false;
    }

    // Only rows that the file holds are allocated and read.
    const long long pixelStart = static_cast<long long>(start) + pixelOffset;
    if (BytesFrom(file, pixelStart) < static_cast<long long>(layout.imageBytes))
        return false;
    auto pixels = Allocate(layout.imageBytes);
    if (!pixels || !SeekTo(file, pixelStart) || !ReadExactly(file, pixels.get(), layout.imageBytes))
        return false;
    Adopt(std::move(header), std::move(pixels), entries, layout.imageBytes);
    return true;
}

bool CDibImage::LoadPackedDib(const std::uint8_t* packed, std::size_t bytes) {
    Free();
    if (!packed || bytes < kDibHeaderBytes)
        return false;
    const CDibInfoHeader info = HeaderOf(packed);
    const unsigned bits = info.bitCount;
    CDibLayout layout;
    if (info.size < kDibHeaderBytes || info.compression != kUncompressed || info.height <= 0 ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) ||
        !DibLayoutOf(info.width, info.height, bits, layout))
        return false;
    // The table and the rows follow the header, of whatever length the header names.
    const std::uint64_t tableBytes = layout.headerBytes - kDibHeaderBytes;
    const std::uint64_t needed = std::uint64_t{info.size} + tableBytes + layout.imageBytes;
    if (bytes < needed)
        return false;
    auto header = Allocate(layout.headerBytes);
    auto pixels = Allocate(layout.imageBytes);
    if (!header || !pixels)
        return false;
    std::memcpy(header.get(), packed, kDibHeaderBytes);
    std::memcpy(header.get() + kDibHeaderBytes, packed + info.size, tableBytes);
    std::memcpy(pixels.get(), packed + info.size + tableBytes, layout.imageBytes);
    Adopt(std::move(header), std::move(pixels), layout.tableEntries, layout.imageBytes);
    return true;
}
