// libFuzzer target for the .bmp reader and the packed-DIB loader. The first input byte says how many
// of the following bytes come before the image in the file (0 to 15), so that images that start part-
// way into a file are covered; the rest is the file. Whatever is accepted must satisfy the holder's
// promises, and every row of it is read and composed into a frame.

#include "display/DibImage.h"
#include "display/FrameComposition.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// Where the sums of the bytes read go, so that the reads are not optimised away.
volatile unsigned g_sink = 0;

// The promises that keep GDI inside the blocks: a 40-byte header, no colour used beyond the table,
// rows that fill the pixel block exactly.
void CheckHeld(const CDibImage& image) {
    if (image.IsEmpty())
        return;
    const CDibInfoHeader& header = *image.Header();
    const unsigned bits = image.GetBitCount();
    const std::uint32_t entries = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
    if (header.size != 40 || header.clrUsed > entries || header.clrImportant > entries || header.width <= 0 ||
        header.height <= 0 || header.sizeImage != image.GetImageSize() ||
        static_cast<std::uint64_t>(image.GetStride()) * static_cast<std::uint32_t>(header.height) !=
            image.GetImageSize())
        __builtin_trap();
    unsigned sum = 0;
    for (std::int32_t row = 0; row < header.height; ++row) {
        const std::uint8_t* bytes = image.RowFromTop(row);
        for (std::uint32_t i = 0; i < image.GetStride(); ++i)
            sum += bytes[i];
    }
    for (std::uint32_t i = 0; i < 4 * entries; ++i)
        sum += reinterpret_cast<const std::uint8_t*>(image.ColourTable())[i];
    g_sink = g_sink + sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::size_t prefix = data[0] % 16;
    std::vector<std::uint8_t> file(data + 1, data + size);
    if (prefix >= file.size())
        return 0;

    CDibImage image;
    if (std::FILE* stream = fmemopen(file.data(), file.size(), "rb")) {
        if (std::fseek(stream, static_cast<long>(prefix), SEEK_SET) == 0 && image.ReadBitmapFile(stream))
            CheckHeld(image);
        std::fclose(stream);
    }
    CDibImage frame;
    ComposeInterleavedFrame(image, frame, 64, 48);

    CDibImage packed;
    if (packed.LoadPackedDib(file.data() + prefix, file.size() - prefix))
        CheckHeld(packed);
    return 0;
}
