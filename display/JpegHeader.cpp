#include "display/JpegHeader.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

constexpr std::uint8_t kMarkerPrefix = 0xFF;
constexpr std::uint8_t kTem = 0x01;
constexpr std::uint8_t kRst0 = 0xD0;
constexpr std::uint8_t kRst7 = 0xD7;
// Markers below it are reserved: no stream holds them.
constexpr std::uint8_t kFirstSegmentMarker = 0xC0;
// Precision, height, width and the component count; then three bytes for every component.
constexpr std::size_t kFrameHeaderBytes = 6;
constexpr std::size_t kFrameComponentBytes = 3;
// An 8x8 block of 16-bit coefficients.
constexpr std::uint64_t kJpegBlockCoefficientBytes = 64 * 2;
constexpr unsigned kMaxSamplingFactor = 4;

std::uint32_t ReadBig16(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 8 | bytes[1];
}

// The multi-picture index: the APP2 segment's signature, the byte orders of the structure after it,
// and the tags, types and sizes of the IFD that it reads.
constexpr std::uint8_t kJpegApp2 = kJpegApp0 + 2;
constexpr std::uint8_t kMpfSignature[] = {'M', 'P', 'F', 0};
constexpr std::uint8_t kLittleEndianMark[] = {'I', 'I', 0x2A, 0};
constexpr std::uint8_t kBigEndianMark[] = {'M', 'M', 0, 0x2A};
// The byte order mark and the offset of the first IFD.
constexpr std::size_t kMpHeaderBytes = 8;
constexpr std::uint32_t kTagNumberOfImages = 0xB001;
constexpr std::uint32_t kTagMpEntry = 0xB002;
constexpr std::uint32_t kTypeLong = 4;
constexpr std::uint32_t kTypeUndefined = 7;
constexpr std::uint64_t kIfdEntryBytes = 12;
// An MP entry: attributes, size, offset (32 bits each), then two dependent entry numbers.
constexpr std::uint64_t kMpEntryBytes = 16;
constexpr std::uint64_t kMpEntrySizeAt = 4;
constexpr std::uint64_t kMpEntryOffsetAt = 8;

// The numbers of the MP structure in its byte order; a read outside the structure fails.
class CMpStructure {
public:
    CMpStructure(std::span<const std::uint8_t> bytes, bool bigEndian) : m_bytes(bytes), m_big(bigEndian) {}

    bool Read16(std::uint64_t at, std::uint32_t& value) const { return Read(at, 2, value); }
    bool Read32(std::uint64_t at, std::uint32_t& value) const { return Read(at, 4, value); }
    std::size_t Size() const { return m_bytes.size(); }

private:
    bool Read(std::uint64_t at, unsigned bytes, std::uint32_t& value) const {
        if (at > m_bytes.size() || m_bytes.size() - at < bytes)
            return false;
        value = 0;
        for (unsigned i = 0; i < bytes; ++i) {
            const unsigned shift = 8 * (m_big ? bytes - 1 - i : i);
            value |= static_cast<std::uint32_t>(m_bytes[static_cast<std::size_t>(at) + i]) << shift;
        }
        return true;
    }

    std::span<const std::uint8_t> m_bytes;
    bool m_big;
};

// Reads the index in the APP2 segment `mpf` of the file's first picture.
bool ParseMultiPictureIndex(std::span<const std::uint8_t> file, const CJpegSegment& mpf,
                            CMultiPictureIndex& index) {
    const std::span<const std::uint8_t> bytes = mpf.payload.subspan(sizeof kMpfSignature);
    // Picture offsets count from the byte order mark.
    const std::uint64_t structureStart = mpf.offset + sizeof kMpfSignature;
    if (bytes.size() < kMpHeaderBytes)
        return false;
    bool bigEndian = false;
    if (std::memcmp(bytes.data(), kBigEndianMark, sizeof kBigEndianMark) == 0)
        bigEndian = true;
    else if (std::memcmp(bytes.data(), kLittleEndianMark, sizeof kLittleEndianMark) != 0)
        return false;
    const CMpStructure mp(bytes, bigEndian);

    std::uint32_t ifd = 0;
    std::uint32_t entries = 0;
    if (!mp.Read32(4, ifd) || !mp.Read16(ifd, entries))
        return false;
    std::optional<std::uint32_t> pictures;
    std::optional<std::uint32_t> entriesAt;
    std::uint32_t entriesBytes = 0;
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t at = ifd + 2 + i * kIfdEntryBytes;
        std::uint32_t tag = 0;
        std::uint32_t type = 0;
        std::uint32_t count = 0;
        std::uint32_t value = 0;
        if (!mp.Read16(at, tag) || !mp.Read16(at + 2, type) || !mp.Read32(at + 4, count) ||
            !mp.Read32(at + 8, value))
            return false;
        if (tag == kTagNumberOfImages && !pictures) {
            if (type != kTypeLong || count != 1)
                return false;
            pictures = value;
        } else if (tag == kTagMpEntry && !entriesAt) {
            if (type != kTypeUndefined)
                return false;
            entriesAt = value;
            entriesBytes = count;
        }
    }
    if (!pictures || *pictures == 0 || !entriesAt || *pictures * kMpEntryBytes != entriesBytes ||
        *entriesAt > mp.Size() || mp.Size() - *entriesAt < entriesBytes)
        return false;

    // The first picture starts the file and holds the index.
    std::uint32_t firstSize = 0;
    std::uint32_t firstOffset = 0;
    if (!mp.Read32(*entriesAt + kMpEntrySizeAt, firstSize) ||
        !mp.Read32(*entriesAt + kMpEntryOffsetAt, firstOffset) || firstOffset != 0 ||
        firstSize > file.size() || firstSize < mpf.offset + mpf.payload.size())
        return false;
    CMultiPictureIndex found;
    found.count = *pictures;
    found.first = {0, firstSize};
    if (*pictures >= 2) {
        std::uint32_t size = 0;
        std::uint32_t offset = 0;
        if (!mp.Read32(*entriesAt + kMpEntryBytes + kMpEntrySizeAt, size) ||
            !mp.Read32(*entriesAt + kMpEntryBytes + kMpEntryOffsetAt, offset))
            return false;
        const std::uint64_t start = structureStart + offset;
        if (offset == 0 || size == 0 || start < firstSize || start > file.size() ||
            file.size() - start < size)
            return false;
        found.second = {static_cast<std::size_t>(start), size};
    }
    index = found;
    return true;
}

} // namespace

std::uint64_t DecoderBytes(const CJpegFrame& frame) {
    const std::uint64_t width = frame.width;
    const std::uint64_t height = frame.height;
    // Grey pictures decode to 1 byte a pixel, colour ones to 3, CMYK to 4; rows padded to 4 bytes.
    const std::uint64_t depth = frame.components == 1 ? 1 : frame.components == 3 ? 3 : 4;
    std::uint64_t bytes = (depth * width + 3) / 4 * 4 * height;
    if (frame.IsProgressive()) {
        const std::uint64_t mcuColumns = (width + 8 * frame.maxHorizontal - 1) / (8 * frame.maxHorizontal);
        const std::uint64_t mcuRows = (height + 8 * frame.maxVertical - 1) / (8 * frame.maxVertical);
        bytes += mcuColumns * mcuRows * frame.blocksPerMcu * kJpegBlockCoefficientBytes;
    }
    return bytes;
}

bool IsDecodablePicture(const CJpegFrame& frame, std::uint64_t streamBytes) {
    if (frame.width == 0 || frame.height == 0 || frame.width > kMaxPictureSide ||
        frame.height > kMaxPictureSide ||
        (frame.components != 1 && frame.components != 3 && frame.components != 4))
        return false;
    const std::uint64_t codedBytes =
        frame.scanOffset > 0 && frame.scanOffset < streamBytes ? streamBytes - frame.scanOffset : 0;
    return DecoderBytes(frame) <= kMaxDecoderBytes &&
           std::uint64_t{frame.width} * frame.height <= kMaxPixelsPerByte * codedBytes;
}

bool IsJpegFrameMarker(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

CJpegMarkerReader::CJpegMarkerReader(std::span<const std::uint8_t> stream) noexcept
    : m_stream(stream), m_position(2) {
    const bool soi = stream.size() >= 2 && stream[0] == kMarkerPrefix && stream[1] == kJpegSoi;
    const bool maybeSoi = stream.empty() || (stream.size() == 1 && stream[0] == kMarkerPrefix);
    if (!soi)
        m_state = maybeSoi ? State::kTruncated : State::kNotJpeg;
}

bool CJpegMarkerReader::Next(CJpegSegment& segment) noexcept {
    const std::size_t size = m_stream.size();
    while (m_state == State::kReading) {
        // A marker: one or more 0xFF, then a byte that is neither 0xFF nor a stuffed 0.
        while (m_position < size && m_stream[m_position] != kMarkerPrefix)
            ++m_position;
        while (m_position < size && m_stream[m_position] == kMarkerPrefix)
            ++m_position;
        if (m_position >= size) {
            m_state = State::kTruncated;
            break;
        }
        const std::uint8_t marker = m_stream[m_position++];
        if (marker == 0 || marker == kTem || (marker >= kRst0 && marker <= kRst7))
            continue;
        if (marker == kJpegSoi || marker == kJpegEoi || marker < kFirstSegmentMarker) {
            m_state = State::kMalformed;
            break;
        }
        if (size - m_position < 2) {
            m_state = State::kTruncated;
            break;
        }
        const std::size_t length = ReadBig16(&m_stream[m_position]);
        if (length < 2) {
            m_state = State::kMalformed;
            break;
        }
        if (size - m_position < length) {
            m_state = State::kTruncated;
            break;
        }
        segment.marker = marker;
        segment.offset = m_position + 2;
        segment.payload = m_stream.subspan(segment.offset, length - 2);
        m_position += length;
        if (marker == kJpegSos)
            m_state = State::kScan;
        return true;
    }
    return false;
}

CJpegFrameResult ReadJpegFrame(std::span<const std::uint8_t> stream, CJpegFrame& frame) {
    CJpegMarkerReader reader(stream);
    CJpegSegment segment;
    while (reader.Next(segment)) {
        if (segment.marker == kJpegSos)
            return CJpegFrameResult::kMalformed;
        if (!IsJpegFrameMarker(segment.marker))
            continue;
        const std::span<const std::uint8_t> header = segment.payload;
        if (header.size() < kFrameHeaderBytes)
            return CJpegFrameResult::kMalformed;
        CJpegFrame found;
        found.marker = segment.marker;
        found.precision = header[0];
        found.height = ReadBig16(&header[1]);
        found.width = ReadBig16(&header[3]);
        found.components = header[5];
        if (found.width == 0 || found.height == 0 || found.components == 0 ||
            header.size() < kFrameHeaderBytes + kFrameComponentBytes * found.components)
            return CJpegFrameResult::kMalformed;
        found.blocksPerMcu = 0;
        for (std::size_t c = 0; c < found.components; ++c) {
            const std::uint8_t sampling = header[kFrameHeaderBytes + kFrameComponentBytes * c + 1];
            const unsigned horizontal = sampling >> 4;
            const unsigned vertical = sampling & 0x0F;
            if (horizontal == 0 || vertical == 0 || horizontal > kMaxSamplingFactor ||
                vertical > kMaxSamplingFactor)
                return CJpegFrameResult::kMalformed;
            found.maxHorizontal =
                std::max<std::uint8_t>(found.maxHorizontal, static_cast<std::uint8_t>(horizontal));
            found.maxVertical =
                std::max<std::uint8_t>(found.maxVertical, static_cast<std::uint8_t>(vertical));
            found.blocksPerMcu += horizontal * vertical;
        }
        while (reader.Next(segment)) {
            // The segment's marker and length field come before its payload.
            if (segment.marker == kJpegSos)
                found.scanOffset = segment.offset - 4;
        }
        frame = found;
        return CJpegFrameResult::kFrame;
    }
    switch (reader.GetState()) {
    case CJpegMarkerReader::State::kNotJpeg:
        return CJpegFrameResult::kNotJpeg;
    case CJpegMarkerReader::State::kTruncated:
        return CJpegFrameResult::kTruncated;
    default:
        return CJpegFrameResult::kMalformed;
    }
}

CMultiPictureResult ReadMultiPictureIndex(std::span<const std::uint8_t> file, CMultiPictureIndex& index) {
    CJpegMarkerReader reader(file);
    CJpegSegment segment;
    std::optional<CJpegSegment> mpf;
    while (reader.Next(segment)) {
        if (!mpf && segment.marker == kJpegApp2 && segment.payload.size() >= sizeof kMpfSignature &&
            std::memcmp(segment.payload.data(), kMpfSignature, sizeof kMpfSignature) == 0)
            mpf = segment;
    }
    if (reader.GetState() != CJpegMarkerReader::State::kScan)
        return CMultiPictureResult::kNotJpeg;
    if (!mpf) {
        index = CMultiPictureIndex{1, {0, file.size()}, {}};
        return CMultiPictureResult::kPictures;
    }
    return ParseMultiPictureIndex(file, *mpf, index) ? CMultiPictureResult::kPictures
                                                     : CMultiPictureResult::kDamagedIndex;
}
