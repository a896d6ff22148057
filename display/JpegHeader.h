#pragma once
// The header of a JPEG stream: its marker segments from the start-of-image marker up to the first
// scan, and the picture's size from its frame header. Also the bound on the pictures that the suite
// decodes. Plain code, free of Windows headers: it reads bytes in memory and never outside them,
// whatever they hold (cut short, lengths past the end, garbage between segments).

#include <cstddef>
#include <cstdint>
#include <span>

// JPEG marker codes (the byte after 0xFF).
inline constexpr std::uint8_t kJpegSoi = 0xD8;  // start of image
inline constexpr std::uint8_t kJpegEoi = 0xD9;  // end of image
inline constexpr std::uint8_t kJpegSos = 0xDA;  // start of scan
inline constexpr std::uint8_t kJpegApp0 = 0xE0; // APP0 to APP15 are 0xE0 to 0xEF
// Whether `marker` starts a frame header (SOF0 to SOF15, which leave out DHT 0xC4, JPG 0xC8 and DAC 0xCC).
bool IsJpegFrameMarker(std::uint8_t marker);

// One marker segment: its marker and the bytes after its two-byte length field.
struct CJpegSegment {
    std::uint8_t marker = 0;
    // Where the payload starts, counted from the start of the stream.
    std::size_t offset = 0;
    std::span<const std::uint8_t> payload;
};

// Walks the segments of a stream that begins with the start-of-image marker: the application
// segments (APPn), tables, comments and the frame header in their order, the first scan header (SOS)
// last. Fill bytes (0xFF) before a marker are skipped, and so are stray bytes where a marker is due and
// markers without a segment (RSTn, TEM), as decoders do.
class CJpegMarkerReader {
public:
    enum class State {
        kReading,   // more segments may follow
        kScan,      // the first scan header was the last segment: the header is complete
        kNotJpeg,   // the stream does not begin with the start-of-image marker
        kTruncated, // the stream ends inside the header or a segment
        kMalformed, // a segment length below 2, a reserved marker, a second start of image, or the end
                    // of image before a scan
    };

    explicit CJpegMarkerReader(std::span<const std::uint8_t> stream) noexcept;

    // The next segment; false once the state is no longer kReading, `segment` then unchanged.
    bool Next(CJpegSegment& segment) noexcept;
    State GetState() const noexcept { return m_state; }

private:
    std::span<const std::uint8_t> m_stream;
    std::size_t m_position = 0;
    State m_state = State::kReading;
};

// The frame header (SOFn) of a JPEG stream.
struct CJpegFrame {
    std::uint8_t marker = 0;
    std::uint8_t precision = 0;  // bits per sample
    std::uint32_t width = 0;     // pixels, at least 1
    std::uint32_t height = 0;    // pixels, at least 1
    std::uint8_t components = 0; // 1 grey, 3 colour (YCbCr or RGB), 4 CMYK or YCCK
    // The largest horizontal and vertical sampling factors of the components (1 to 4 each), and the
    // 8x8 blocks of one minimum coded unit: the sum of each component's two factors multiplied.
    std::uint8_t maxHorizontal = 1;
    std::uint8_t maxVertical = 1;
    std::uint32_t blocksPerMcu = 1;
    // Where the coded data begins: the first scan header's marker, counted from the start of the
    // stream; 0 when the stream ends, or breaks off, before one.
    std::size_t scanOffset = 0;
    // SOF2, SOF6, SOF10 and SOF14 code a picture in several scans.
    bool IsProgressive() const noexcept {
        return marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
    }
};

enum class CJpegFrameResult {
    kFrame,     // `frame` holds the first frame header
    kNotJpeg,   // no start-of-image marker
    kTruncated, // cut short before the frame header is complete
    kMalformed, // a broken segment, a scan before any frame, a frame header that does not hold together,
                // a height or width of 0 (a height given only after the first scan included), or a
                // sampling factor outside 1 to 4
};

// Reads the first frame header of `stream`, and the segments after it up to the first scan header
// (for scanOffset); `frame` is filled only for kFrame, which tells nothing of the segments after it.
CJpegFrameResult ReadJpegFrame(std::span<const std::uint8_t> stream, CJpegFrame& frame);

// The bound on the pictures that the suite decodes. The system's decoder (Wine's, measured) holds a
// whole picture in memory while it decodes it, at the depth of its components, and for a picture coded
// in several scans also the coefficients of all its 8x8 blocks, 2 bytes each. A picture is decoded
// only when
// - it is at most kMaxPictureSide pixels a side and of 1, 3 or 4 components;
// - those buffers of the decoder come to at most kMaxDecoderBytes, as much as a side-by-side picture of
//   two 8000 x 6000 eyes needs (16000 x 6000 x 3 bytes);
// - its coded data (the bytes from the first scan header on; the marker segments before it, which a
//   file may pad at will, do not count) holds at least one byte for every kMaxPixelsPerByte pixels.
//   Compressed data cannot describe more: even a flat picture needs about 2 bits for each 8x8 block
//   and component, a few hundred pixels a byte, where real pictures take a few pixels a byte. A
//   header that claims more pixels than its coded data can hold, or a stream without a scan, is a
//   damaged or hostile file, and is refused before anything is decoded, like a file that cannot be
//   read.
inline constexpr std::uint32_t kMaxPictureSide = 16384;
inline constexpr std::uint64_t kMaxDecoderBytes = std::uint64_t{300} << 20;
inline constexpr std::uint64_t kMaxPixelsPerByte = 1024;
// The bytes that the decoder holds for the picture of `frame` at the most.
std::uint64_t DecoderBytes(const CJpegFrame& frame);
// Whether the picture of `frame`, read from a stream of `streamBytes` bytes, lies within the bound.
bool IsDecodablePicture(const CJpegFrame& frame, std::uint64_t streamBytes);

// Where one JPEG picture of a file lies: `size` bytes from `offset`, counted from the file's start.
struct CJpegPictureRange {
    std::size_t offset = 0;
    std::size_t size = 0;
};

// The pictures of a multi-picture file (.mpo: the pictures of a stereo camera, one JPEG stream after
// the other), as far as they are shown: the first two. The file's first picture carries the index in
// an APP2 segment "MPF\0" of its header, a TIFF-style structure (byte order, an IFD whose MP entries
// give each picture's size and its offset from the structure's start).
struct CMultiPictureIndex {
    std::uint32_t count = 0; // the pictures that the index lists; 1 for a file without an index
    CJpegPictureRange first;
    CJpegPictureRange second; // when count is 2 or more
};

enum class CMultiPictureResult {
    kPictures,     // `index` holds the file's pictures: the index's, or the file as one picture
    kNotJpeg,      // the first picture's header cannot be read up to its first scan
    kDamagedIndex, // an index that does not hold together: a byte order, IFD, entry or number cut off
                   // or missing, no picture, a first picture that is not at the file's start or does
                   // not hold its index, a second one not after it or past the file's end
};

// Reads the index of the multi-picture file `file`; `index` is filled only for kPictures. A file
// whose first picture has no index is that one picture, the whole file.
CMultiPictureResult ReadMultiPictureIndex(std::span<const std::uint8_t> file, CMultiPictureIndex& index);
