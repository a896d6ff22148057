// libFuzzer target for the PNG header reader: the input is a PNG file. Every chunk the reader hands out
// must lie within the input, right after the one before it, and every byte of it is read; a header it
// accepts must hold together, and the whole file's walk must agree with it; the decoding bound is
// asked about every header found.

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
    const std::span<const std::uint8_t> file(bytes.data(), bytes.size());
    unsigned sum = 0;

    CPngChunkReader reader(file);
    CPngChunk chunk;
    // Each chunk's data follows the previous chunk's CRC and its own length and type.
    std::size_t next = sizeof kPngSignature;
    while (reader.Next(chunk)) {
        if (chunk.offset != next + 8 || chunk.offset > size || chunk.data.size() > size - chunk.offset ||
            chunk.data.data() != bytes.data() + chunk.offset)
            __builtin_trap();
        for (std::uint8_t byte : chunk.data)
            sum += byte;
        next = chunk.offset + chunk.data.size() + 4;
    }
    if (reader.GetState() == CPngChunkReader::State::kReading)
        __builtin_trap();

    CPngHeader header;
    if (ReadPngHeader(file, header) == CPngResult::kPicture) {
        const unsigned bits = header.BitsPerPixel();
        if (header.width == 0 || header.height == 0 || bits == 0 || bits > 64 ||
            (bits < 8 && 8 % bits != 0) || (bits > 8 && bits % 8 != 0))
            __builtin_trap();
        if (PngFilteredBytes(header) < PngDecoderBytes(header))
            __builtin_trap();
        sum += IsDecodablePng(header, size) ? 1 : 0;
        CPngPicture picture;
        if (ReadPngPicture(file, picture) == CPngResult::kPicture) {
            if (picture.header.width != header.width || picture.header.height != header.height ||
                picture.codedBytes == 0 || picture.codedBytes > size)
                __builtin_trap();
            sum += IsDecodablePng(picture.header, picture.codedBytes) ? 1 : 0;
        }
    }
    g_sink = g_sink + sum;
    return 0;
}
