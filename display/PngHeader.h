#pragma once
// The structure of a PNG file: its signature, its chunks, the image header (IHDR) that comes first,
// and the picture's coded data, the data of its IDAT chunks (one zlib stream cut into pieces). Also the
// bound on the PNG pictures that the suite decodes, beside the JPEG one (JpegHeader.h). Plain code, free
// of Windows headers: it reads bytes in memory and never outside them, whatever they hold.

#include <cstddef>
#include <cstdint>
#include <span>

// The eight bytes that begin every PNG file.
inline constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// A chunk's type: its four ASCII letters as a big-endian number ('IHDR' is 0x49484452).
constexpr std::uint32_t PngChunkType(const char (&letters)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(letters[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(letters[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(letters[2])) << 8 |
           static_cast<unsigned char>(letters[3]);
}
inline constexpr std::uint32_t kPngIhdr = PngChunkType("IHDR");
inline constexpr std::uint32_t kPngIdat = PngChunkType("IDAT");
inline constexpr std::uint32_t kPngIend = PngChunkType("IEND");
inline constexpr std::uint32_t kPngTrns = PngChunkType("tRNS");

// One chunk: its type and data.
struct CPngChunk {
    std::uint32_t type = 0;
    // Where the data starts, counted from the start of the file.
    std::size_t offset = 0;
    std::span<const std::uint8_t> data;
};

// Walks the chunks of a file that begins with the PNG signature, up to and including IEND.
class CPngChunkReader {
public:
    enum class State {
        kReading,   // more chunks may follow
        kEnd,       // IEND was the last chunk: the file is complete (what follows it is not read)
        kNotPng,    // the file does not begin with the signature
        kTruncated, // the file ends inside the signature or a chunk, or before IEND
        kMalformed, // a length beyond 2^31 - 1, a type of other than four letters, or (when checked) a
                    // chunk whose CRC does not match
    };

    // With `checkCrc`, each chunk's CRC-32 (of its type and data) is checked as it is read.
    explicit CPngChunkReader(std::span<const std::uint8_t> file, bool checkCrc = false) noexcept;

    // The next chunk; false once the state is no longer kReading, `chunk` then unchanged.
    bool Next(CPngChunk& chunk) noexcept;
    State GetState() const noexcept { return m_state; }

private:
    std::span<const std::uint8_t> m_file;
    std::size_t m_position = 0;
    bool m_checkCrc = false;
    State m_state = State::kReading;
};

// The image header.
struct CPngHeader {
    std::uint32_t width = 0;  // pixels, 1 to 2^31 - 1
    std::uint32_t height = 0; // pixels, 1 to 2^31 - 1
    std::uint8_t bitDepth = 0;
    std::uint8_t colourType = 0; // 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGB and alpha
    bool interlaced = false;     // Adam7

    // Samples a pixel: 1 to 4.
    unsigned Channels() const noexcept;
    unsigned BitsPerPixel() const noexcept { return Channels() * bitDepth; }
    // Colour types 4 and 6; a tRNS chunk also makes some pixels transparent.
    bool HasAlpha() const noexcept { return colourType == 4 || colourType == 6; }
};

enum class CPngResult {
    kPicture,   // the header (and, for ReadPngPicture, the chunks up to IEND) hold together
    kNotPng,    // no PNG signature
    kTruncated, // cut short before the header is complete (or, for ReadPngPicture, before IEND)
    kMalformed, // a broken chunk, a first chunk other than IHDR, an IHDR of another length, a size of 0
                // or beyond 2^31 - 1, a bit depth that the colour type does not allow, an unknown
                // compression, filter or interlace method, or (for ReadPngPicture) no IDAT chunk
};

// Reads the signature and the image header, which must be the first chunk; `header` is filled only
// for kPicture.
CPngResult ReadPngHeader(std::span<const std::uint8_t> file, CPngHeader& header);

// What the suite needs to know of a whole PNG file before it decodes it.
struct CPngPicture {
    CPngHeader header;
    // The coded data: the bytes of all IDAT chunks' data.
    std::uint64_t codedBytes = 0;
    // Whether a tRNS chunk makes some colours transparent.
    bool transparency = false;
};

// Walks the whole file, checking each chunk's CRC; `picture` is filled only for kPicture.
CPngResult ReadPngPicture(std::span<const std::uint8_t> file, CPngPicture& picture);

// The bound on the PNG pictures that the suite decodes, the JPEG bound's counterpart. The system's
// decoder (Wine's, measured) holds a whole picture in memory at its own depth while it decodes it. A
// picture is decoded only when
// - it is at most kMaxPictureSide pixels a side;
// - that buffer comes to at most kMaxDecoderBytes, as for JPEG;
// - its coded data could hold it: the rows that the zlib stream inflates to (each a filter byte and
//   the row's samples, pass by pass for an interlaced picture) are at most kMaxDeflateRatio times its
//   bytes. No deflate stream inflates to more: its longest match, 258 bytes, takes at least two bits.
//   That is some 344 pixels a byte for the 24-bit pictures of a capture, where a real picture takes a
//   few bytes a pixel and a flat one (a black screen) comes close to the limit. A header that claims
//   more is a damaged or hostile file, refused before anything is decoded. Flat areas compress far
//   more in deflate than in JPEG, so the bound is the format's own limit rather than a margin
//   above real pictures.
inline constexpr std::uint64_t kMaxDeflateRatio = 1032;
// The bytes that the decoder holds for the picture: its rows at the picture's own depth.
std::uint64_t PngDecoderBytes(const CPngHeader& header);
// The bytes that the picture's zlib stream inflates to.
std::uint64_t PngFilteredBytes(const CPngHeader& header);
// Whether the picture of `header`, with `codedBytes` bytes of coded data (or at most that many: the
// file's length, before its chunks are walked), lies within the bound.
bool IsDecodablePng(const CPngHeader& header, std::uint64_t codedBytes);
