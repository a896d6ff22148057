#include "display/PngHeader.h"

#include "display/JpegHeader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace {

// A chunk's length, type and (after its data) CRC.
constexpr std::size_t kChunkHeadBytes = 8;
constexpr std::size_t kChunkCrcBytes = 4;
constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFF;
constexpr std::uint32_t kMaxPngSide = 0x7FFFFFFF;
// Width, height, bit depth, colour type, compression, filter and interlace methods.
constexpr std::size_t kIhdrBytes = 13;

std::uint32_t ReadBig32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
           static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
}

bool IsLetter(std::uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The CRC-32 of ISO 3309 that PNG uses (polynomial 0xEDB88320, reflected), a byte at a time.
constexpr std::array<std::uint32_t, 256> kCrcTable = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::uint8_t byte : bytes)
        c = kCrcTable[(c ^ byte) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

// The bit depths that each colour type allows, as bits: 1 << depth.
unsigned AllowedDepths(std::uint8_t colourType) {
    switch (colourType) {
    case 0:
        return 1u << 1 | 1u << 2 | 1u << 4 | 1u << 8 | 1u << 16;
    case 3:
        return 1u << 1 | 1u << 2 | 1u << 4 | 1u << 8;
    case 2:
    case 4:
    case 6:
        return 1u << 8 | 1u << 16;
    default:
        return 0;
    }
}

// a x b, or the largest number when that does not fit: a header may claim sides of 2^31 - 1.
std::uint64_t SaturatedProduct(std::uint64_t a, std::uint64_t b) {
    return b != 0 && a > UINT64_MAX / b ? UINT64_MAX : a * b;
}

// The bytes of `rows` filtered rows of `width` pixels: a filter byte and the row's samples, whole bytes.
std::uint64_t FilteredRows(std::uint64_t width, std::uint64_t rows, unsigned bitsPerPixel) {
    if (width == 0 || rows == 0)
        return 0;
    return SaturatedProduct(rows, 1 + (width * bitsPerPixel + 7) / 8);
}

} // namespace

unsigned CPngHeader::Channels() const noexcept {
    switch (colourType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 1;
    }
}

CPngChunkReader::CPngChunkReader(std::span<const std::uint8_t> file, bool checkCrc) noexcept
    : m_file(file), m_position(sizeof kPngSignature), m_checkCrc(checkCrc) {
    const std::size_t compared = std::min(file.size(), sizeof kPngSignature);
    if (compared > 0 && std::memcmp(file.data(), kPngSignature, compared) != 0)
        m_state = State::kNotPng;
    else if (compared < sizeof kPngSignature)
        m_state = State::kTruncated;
}

bool CPngChunkReader::Next(CPngChunk& chunk) noexcept {
    if (m_state != State::kReading)
        return false;
    const std::size_t left = m_file.size() - m_position;
    if (left < kChunkHeadBytes) {
        m_state = State::kTruncated;
        return false;
    }
    const std::uint8_t* head = m_file.data() + m_position;
    const std::uint32_t length = ReadBig32(head);
    if (length > kMaxChunkLength || !IsLetter(head[4]) || !IsLetter(head[5]) || !IsLetter(head[6]) ||
        !IsLetter(head[7])) {
        m_state = State::kMalformed;
        return false;
    }
    if (left - kChunkHeadBytes < std::uint64_t{length} + kChunkCrcBytes) {
        m_state = State::kTruncated;
        return false;
    }
    const std::span<const std::uint8_t> typeAndData = m_file.subspan(m_position + 4, 4 + std::size_t{length});
    if (m_checkCrc && Crc32(typeAndData) != ReadBig32(typeAndData.data() + typeAndData.size())) {
        m_state = State::kMalformed;
        return false;
    }
    chunk.type = ReadBig32(head + 4);
    chunk.offset = m_position + kChunkHeadBytes;
    chunk.data = typeAndData.subspan(4);
    m_position += kChunkHeadBytes + length + kChunkCrcBytes;
    if (chunk.type == kPngIend)
        m_state = State::kEnd;
    return true;
}

CPngResult ReadPngHeader(std::span<const std::uint8_t> file, CPngHeader& header) {
    CPngChunkReader reader(file);
    CPngChunk chunk;
    if (!reader.Next(chunk)) {
        switch (reader.GetState()) {
        case CPngChunkReader::State::kNotPng:
            return CPngResult::kNotPng;
        case CPngChunkReader::State::kTruncated:
            return CPngResult::kTruncated;
        default:
            return CPngResult::kMalformed;
        }
    }
    if (chunk.type != kPngIhdr || chunk.data.size() != kIhdrBytes)
        return CPngResult::kMalformed;
    const std::uint8_t* ihdr = chunk.data.data();
    CPngHeader found;
    found.width = ReadBig32(ihdr);
    found.height = ReadBig32(ihdr + 4);
    found.bitDepth = ihdr[8];
    found.colourType = ihdr[9];
    const std::uint8_t compression = ihdr[10];
    const std::uint8_t filter = ihdr[11];
    const std::uint8_t interlace = ihdr[12];
    found.interlaced = interlace == 1;
    if (found.width == 0 || found.height == 0 || found.width > kMaxPngSide || found.height > kMaxPngSide ||
        found.bitDepth > 16 || !(AllowedDepths(found.colourType) >> found.bitDepth & 1) || compression != 0 ||
        filter != 0 || interlace > 1)
        return CPngResult::kMalformed;
    header = found;
    return CPngResult::kPicture;
}

CPngResult ReadPngPicture(std::span<const std::uint8_t> file, CPngPicture& picture) {
    CPngPicture found;
    const CPngResult header = ReadPngHeader(file, found.header);
    if (header != CPngResult::kPicture)
        return header;
    CPngChunkReader reader(file, true);
    CPngChunk chunk;
    bool idat = false;
    while (reader.Next(chunk)) {
        if (chunk.type == kPngIdat) {
            idat = true;
            found.codedBytes += chunk.data.size();
        } else if (chunk.type == kPngTrns) {
            found.transparency = true;
        } else if (chunk.type == kPngIhdr && chunk.offset != sizeof kPngSignature + kChunkHeadBytes) {
            return CPngResult::kMalformed;
        }
    }
    switch (reader.GetState()) {
    case CPngChunkReader::State::kEnd:
        break;
    case CPngChunkReader::State::kTruncated:
        return CPngResult::kTruncated;
    default:
        return CPngResult::kMalformed;
    }
    if (!idat)
        return CPngResult::kMalformed;
    picture = found;
    return CPngResult::kPicture;
}

std::uint64_t PngDecoderBytes(const CPngHeader& header) {
    return SaturatedProduct((std::uint64_t{header.width} * header.BitsPerPixel() + 7) / 8, header.height);
}

std::uint64_t PngFilteredBytes(const CPngHeader& header) {
    const unsigned bits = header.BitsPerPixel();
    if (!header.interlaced)
        return FilteredRows(header.width, header.height, bits);
    // The seven passes of Adam7: their first column and row, and their steps.
    struct CPass {
        std::uint32_t x, y, dx, dy;
    };
    constexpr CPass kPasses[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                 {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    std::uint64_t bytes = 0;
    for (const CPass& pass : kPasses) {
        const std::uint64_t columns =
            header.width > pass.x ? (header.width - pass.x + pass.dx - 1) / pass.dx : 0;
        const std::uint64_t rows =
            header.height > pass.y ? (header.height - pass.y + pass.dy - 1) / pass.dy : 0;
        const std::uint64_t passBytes = FilteredRows(columns, rows, bits);
        bytes = passBytes > UINT64_MAX - bytes ? UINT64_MAX : bytes + passBytes;
    }
    return bytes;
}

bool IsDecodablePng(const CPngHeader& header, std::uint64_t codedBytes) {
    if (header.width == 0 || header.height == 0 || header.width > kMaxPictureSide ||
        header.height > kMaxPictureSide || header.BitsPerPixel() == 0)
        return false;
    return PngDecoderBytes(header) <= kMaxDecoderBytes &&
           PngFilteredBytes(header) <= kMaxDeflateRatio * codedBytes;
}
