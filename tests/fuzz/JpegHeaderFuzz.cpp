// libFuzzer target for the JPEG and PNG header readers: the input is read as a JPEG stream and as a
// PNG file. Every segment or chunk a reader hands out must lie within the input and follow the one
// before it, every byte of it is read, and a frame or image header it accepts must hold together, a
// JPEG frame's coded data starting at a scan header; the decoding bound is asked about every header
// found. Read as a multi-picture file, the pictures of an index it accepts lie within the input, the
// first at its start and the second after the first, and every byte of them is read.

#include "display/JpegHeader.h"
#include "display/PngHeader.h"

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
        if (frame.maxHorizontal == 0 || frame.maxHorizontal > 4 || frame.maxVertical == 0 ||
            frame.maxVertical > 4 || frame.blocksPerMcu < frame.components)
            __builtin_trap();
        // The coded data starts at a scan header's marker within the input.
        if (frame.scanOffset != 0 && (frame.scanOffset + 4 > size || bytes[frame.scanOffset] != 0xFF ||
                                      bytes[frame.scanOffset + 1] != 0xDA))
            __builtin_trap();
        sum += IsDecodablePicture(frame, size) ? 1 : 0;
    }

    CMultiPictureIndex index;
    if (ReadMultiPictureIndex(stream, index) == CMultiPictureResult::kPictures) {
        if (index.count == 0 || index.first.offset != 0 || index.first.size == 0 || index.first.size > size)
            __builtin_trap();
        std::vector<CJpegPictureRange> pictures = {index.first};
        if (index.count >= 2) {
            if (index.second.size == 0 || index.second.offset < index.first.size ||
                index.second.offset > size || index.second.size > size - index.second.offset)
                __builtin_trap();
            pictures.push_back(index.second);
        }
        for (const CJpegPictureRange& picture : pictures)
            for (std::size_t i = 0; i < picture.size; ++i)
                sum += bytes[picture.offset + i];
    }
    // Each chunk's data follows the previous chunk's CRC and its own length and type.
    CPngChunkReader chunks(stream);
    CPngChunk chunk;
    end = sizeof kPngSignature;
    while (chunks.Next(chunk)) {
        if (chunk.offset != end + 8 || chunk.offset > size || chunk.data.size() > size - chunk.offset ||
            chunk.data.data() != bytes.data() + chunk.offset)
            __builtin_trap();
        for (std::uint8_t byte : chunk.data)
            sum += byte;
        end = chunk.offset + chunk.data.size() + 4;
    }
    CPngHeader header;
    CPngPicture png;
    if (chunks.GetState() == CPngChunkReader::State::kReading ||
        (ReadPngHeader(stream, header) == CPngResult::kPicture &&
         (header.BitsPerPixel() == 0 || header.BitsPerPixel() > 64 ||
          PngFilteredBytes(header) < PngDecoderBytes(header))) ||
        (ReadPngPicture(stream, png) == CPngResult::kPicture &&
         (png.header.width != header.width || png.codedBytes == 0 || png.codedBytes > size)))
        __builtin_trap();
    sum += IsDecodablePng(header, size) + IsDecodablePng(png.header, png.codedBytes);
    g_sink = g_sink + sum;
    return 0;
}
