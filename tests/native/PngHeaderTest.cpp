// The PNG header reader and its decoding bound: the sample files (every colour type, interlaced, and
// the hostile and damaged ones made from them), every cut of a file, chunks that break the format,
// and the bound at its edges.

#include "display/PngHeader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadSample(const std::string& name) {
    std::ifstream file(std::string(ZELTO_PNG_SAMPLES) + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::span<const std::uint8_t> Span(const Bytes& bytes) {
    return {bytes.data(), bytes.size()};
}

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

// The sample's IHDR with bit depth, colour type and interlace method replaced (its CRC is not mended:
// the header reader does not check it).
Bytes WithIhdr(Bytes bytes, std::uint8_t depth, std::uint8_t colour, std::uint8_t interlace = 0) {
    bytes[24] = depth;
    bytes[25] = colour;
    bytes[28] = interlace;
    return bytes;
}

CPngHeader Header(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t colour,
                  bool interlaced = false) {
    CPngHeader header;
    header.width = width;
    header.height = height;
    header.bitDepth = depth;
    header.colourType = colour;
    header.interlaced = interlaced;
    return header;
}

} // namespace

TEST(PngHeader, TheSamplesSizesFormatsAndBound) {
    struct Case {
        const char* name;
        CPngResult result; // of the whole file
        std::uint32_t width, height;
        std::uint8_t depth, colour;
        bool interlaced, transparency, decodable;
    };
    for (Case c : {
             Case{"rgb.png", CPngResult::kPicture, 64, 32, 8, 2, false, false, true},
             Case{"grey1.png", CPngResult::kPicture, 64, 32, 1, 0, false, false, true},
             Case{"palette.png", CPngResult::kPicture, 64, 32, 4, 3, false, true, true},
             Case{"rgba16-interlaced.png", CPngResult::kPicture, 64, 32, 16, 6, true, false, true},
             // As flat as a picture gets, and still within the bound.
             Case{"black-screen.png", CPngResult::kPicture, 1920, 1080, 8, 2, false, false, true},
             Case{"strip.png", CPngResult::kPicture, 16384, 1, 8, 2, false, false, true},
             // rgb.png's 4 kB of coded data under headers that claim far more.
             Case{"sparse.png", CPngResult::kPicture, 8000, 6000, 8, 2, false, false, false},
             Case{"huge.png", CPngResult::kPicture, 30000, 30000, 8, 2, false, false, false},
             Case{"oversized-wide.png", CPngResult::kPicture, 16385, 1, 8, 2, false, false, false},
             Case{"truncated.png", CPngResult::kTruncated, 64, 32, 8, 2, false, false, true},
             Case{"bad-crc.png", CPngResult::kMalformed, 64, 32, 8, 2, false, false, true},
         }) {
        const Bytes bytes = ReadSample(c.name);
        ASSERT_FALSE(bytes.empty()) << c.name;
        CPngHeader header;
        ASSERT_EQ(ReadPngHeader(Span(bytes), header), CPngResult::kPicture) << c.name;
        EXPECT_EQ(header.width, c.width) << c.name;
        EXPECT_EQ(header.height, c.height) << c.name;
        EXPECT_EQ(header.bitDepth, c.depth) << c.name;
        EXPECT_EQ(header.colourType, c.colour) << c.name;
        EXPECT_EQ(header.interlaced, c.interlaced) << c.name;
        // Before the chunks are walked, the file's length stands for the coded data.
        EXPECT_EQ(IsDecodablePng(header, bytes.size()), c.decodable) << c.name;
        CPngPicture picture;
        ASSERT_EQ(ReadPngPicture(Span(bytes), picture), c.result) << c.name;
        if (c.result != CPngResult::kPicture)
            continue;
        EXPECT_EQ(picture.header.width, c.width) << c.name;
        EXPECT_EQ(picture.transparency, c.transparency) << c.name;
        EXPECT_GT(picture.codedBytes, 0u) << c.name;
        EXPECT_LT(picture.codedBytes, bytes.size()) << c.name;
        EXPECT_EQ(IsDecodablePng(picture.header, picture.codedBytes), c.decodable) << c.name;
    }
}

TEST(PngHeader, EveryCutOfAFileIsTruncatedAndOtherFilesAreNotPng) {
    const Bytes whole = ReadSample("rgb.png");
    ASSERT_FALSE(whole.empty());
    // Signature 8, IHDR chunk 8 + 13 + 4: the header is whole from byte 33 on; the file with IEND's CRC.
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        CPngHeader header;
        CPngPicture picture;
        EXPECT_EQ(ReadPngHeader(Span(cut), header), size < 33 ? CPngResult::kTruncated : CPngResult::kPicture)
            << size;
        EXPECT_EQ(ReadPngPicture(Span(cut), picture), CPngResult::kTruncated) << size;
    }
    for (std::size_t at = 0; at < 8; ++at) {
        Bytes other = whole;
        other[at] ^= 0x20;
        CPngHeader header;
        EXPECT_EQ(ReadPngHeader(Span(other), header), CPngResult::kNotPng) << at;
    }
    CPngHeader header;
    EXPECT_EQ(ReadPngHeader(Span(ReadSample("../jpeg/baseline.jpg")), header), CPngResult::kNotPng);
}

TEST(PngHeader, ChunksAndHeadersThatBreakTheFormatAreRefused) {
    const Bytes rgb = ReadSample("rgb.png");
    ASSERT_FALSE(rgb.empty());
    // Allowed bit depths: grey 1, 2, 4, 8, 16; palette 1, 2, 4, 8; the others 8 and 16.
    struct Format {
        std::uint8_t depth, colour, interlace;
        bool allowed;
    };
    for (Format f :
         {Format{1, 0, 0, true}, Format{16, 0, 0, true}, Format{3, 0, 0, false}, Format{8, 3, 0, true},
          Format{16, 3, 0, false}, Format{4, 2, 0, false}, Format{16, 4, 0, true}, Format{2, 6, 0, false},
          Format{8, 1, 0, false}, Format{8, 5, 0, false}, Format{8, 7, 0, false}, Format{8, 2, 1, true},
          Format{8, 2, 2, false}, Format{0, 0, 0, false}}) {
        CPngHeader header;
        EXPECT_EQ(ReadPngHeader(Span(WithIhdr(rgb, f.depth, f.colour, f.interlace)), header),
                  f.allowed ? CPngResult::kPicture : CPngResult::kMalformed)
            << int(f.depth) << " bits, colour type " << int(f.colour) << ", interlace " << int(f.interlace);
    }
    const auto malformed = [](const Bytes& bytes, const char* what) {
        CPngPicture picture;
        EXPECT_EQ(ReadPngPicture(Span(bytes), picture), CPngResult::kMalformed) << what;
    };
    Bytes edited = rgb;
    Put32(edited, 16, 0); // width 0
    malformed(edited, "width 0");
    edited = rgb;
    Put32(edited, 20, 0x80000000u); // height beyond 2^31 - 1
    malformed(edited, "height 2^31");
    edited = rgb;
    edited[12] = 'X'; // the first chunk is no IHDR
    malformed(edited, "first chunk XHDR");
    edited = rgb;
    edited[13] = '1'; // a type of other than letters
    malformed(edited, "type I1DR");
    edited = rgb;
    Put32(edited, 8, 0x80000000u); // a length beyond 2^31 - 1
    malformed(edited, "length 2^31");
    edited = rgb;
    Put32(edited, 8, 12); // an IHDR of another length
    malformed(edited, "IHDR of 12 bytes");
    // The signature and IHDR, then IEND at once: no coded data.
    edited.assign(rgb.begin(), rgb.begin() + 33);
    edited.insert(edited.end(), rgb.end() - 12, rgb.end());
    malformed(edited, "no IDAT");
    // A compression or filter method other than 0.
    edited = rgb;
    edited[26] = 1;
    malformed(edited, "compression 1");
    edited = rgb;
    edited[27] = 1;
    malformed(edited, "filter 1");
}

TEST(PngHeader, TheBoundCountsTheDecodersRowsAndWhatTheCodedDataCanHold) {
    // The rows that the coded data inflates to, each with its filter byte; an interlaced picture's
    // seven passes each have their own rows (64 x 32, 8 bytes a pixel: 260 + 260 + 516 + 1032 + 2056 +
    // 4112 + 8208).
    EXPECT_EQ(PngFilteredBytes(Header(64, 32, 8, 2)), 32u * (1 + 192));
    EXPECT_EQ(PngFilteredBytes(Header(64, 32, 1, 0)), 32u * (1 + 8));
    EXPECT_EQ(PngFilteredBytes(Header(65, 1, 1, 0)), 1u + 9);
    EXPECT_EQ(PngFilteredBytes(Header(64, 32, 16, 6)), 32u * (1 + 512));
    EXPECT_EQ(PngFilteredBytes(Header(64, 32, 16, 6, true)), 16444u);
    EXPECT_EQ(PngFilteredBytes(Header(1, 1, 8, 2, true)), 4u);
    // The decoder holds the rows at the picture's depth.
    EXPECT_EQ(PngDecoderBytes(Header(8000, 6000, 8, 2)), 144000000u);
    EXPECT_EQ(PngDecoderBytes(Header(9, 2, 1, 0)), 4u);

    // A 1920 x 1080 RGB picture inflates to 1080 x 5761 = 6221880 bytes: it needs 6029 bytes of coded
    // data at the least (deflate's 1032 to 1).
    EXPECT_TRUE(IsDecodablePng(Header(1920, 1080, 8, 2), 6029));
    EXPECT_FALSE(IsDecodablePng(Header(1920, 1080, 8, 2), 6028));
    // Within the decoder's 300 MiB: two 8000 x 6000 eyes side by side; beyond it: the largest sides in
    // RGB, and 10000 x 10000 with alpha.
    const std::uint64_t plenty = std::uint64_t{1} << 40;
    EXPECT_TRUE(IsDecodablePng(Header(16000, 6000, 8, 2), plenty));
    EXPECT_TRUE(IsDecodablePng(Header(16384, 16384, 8, 0), plenty));
    EXPECT_FALSE(IsDecodablePng(Header(16384, 16384, 8, 2), plenty));
    EXPECT_FALSE(IsDecodablePng(Header(10000, 10000, 8, 6), plenty));
    EXPECT_FALSE(IsDecodablePng(Header(16385, 1, 1, 0), plenty));
    EXPECT_FALSE(IsDecodablePng(Header(1, 16385, 1, 0), plenty));
}
