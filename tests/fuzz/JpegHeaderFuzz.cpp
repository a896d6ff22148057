// libFuzzer target for the JPEG header reader: the input is a JPEG stream. Every segment the reader
// hands out must lie within the input and follow the one before it, every byte of it is read, and a
// frame header it accepts must hold together; the decoding bound is asked about every frame found.

#include "display/JpegHeader.h"

#include <cstdint>
#include <vector>

namespace {

// Where the sums of the bytes read go, so that the reads are not optimised away.
volatile unsigned g_sink = 0;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so that AddressSanitizer sees any read past the input's end.
    const std::vector<std::uint8_t> bytes(data, data + size);
    const std::span<const std::uint8_t> stream(bytes.data(), bytes.size());

    CJpegMarkerReader reader(stream);
    CJpegSegment segment;
    std::size_t end = 2;
    unsigned sum = 0;
    while (reader.Next(segment)) {
        if (segment.offset < end + 4 || segment.offset > size ||
            segment.payload.size() > size - segment.offset ||
            segment.payload.data() != bytes.data() + segment.offset)
            __builtin_trap();
        for (std::uint8_t byte : segment.payload)
            sum += byte;
        end = segment.offset + segment.payload.size();
    }
    if (reader.GetState() == CJpegMarkerReader::State::kReading)
        __builtin_trap();

    CJpegFrame frame;
    if (ReadJpegFrame(stream, frame) == CJpegFrameResult::kFrame) {
        if (frame.width == 0 || frame.height == 0 || frame.components == 0 ||
            !IsJpegFrameMarker(frame.marker))
            __builtin_trap();
        sum += IsDecodablePictureSize(frame.width, frame.height) ? 1 : 0;
    }
    g_sink = g_sink + sum;
    return 0;
}
