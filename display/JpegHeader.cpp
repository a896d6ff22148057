#include "display/JpegHeader.h"

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

std::uint32_t ReadBig16(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 8 | bytes[1];
}

} // namespace

bool IsDecodablePictureSize(std::uint64_t width, std::uint64_t height) {
    if (width == 0 || height == 0 || width > kMaxPictureSide || height > kMaxPictureSide)
        return false;
    const std::uint64_t stride = (3 * width + 3) / 4 * 4;
    return stride * height <= kMaxPictureBytes;
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
