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
        CPngHeader header;
        ASSERT_EQ(ReadPngHeader(Span(bytes), header), CPngResult::kPicture) << c.name;
        EXPECT_TRUE(header.width == c.width && header.height == c.height && header.bitDepth == c.depth &&
                    header.colourType == c.colour && header.interlaced == c.interlaced)
            << c.name;
        // Before the chunks are walked, the file's length stands for the coded data.
        EXPECT_EQ(IsDecodablePng(header, bytes.size()), c.decodable) << c.name;
        CPngPicture picture;
        ASSERT_EQ(ReadPngPicture(Span(bytes), picture), c.result) << c.name;
        if (c.result == CPngResult::kPicture) {
            EXPECT_EQ(picture.transparency, c.transparency) << c.name;
            EXPECT_TRUE(picture.codedBytes > 0 && picture.codedBytes < bytes.size()) << c.name;
            EXPECT_EQ(IsDecodablePng(picture.header, picture.codedBytes), c.decodable) << c.name;
        }
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
    Bytes other = whole;
    other[3] = 'J';
    CPngHeader header;
    EXPECT_EQ(ReadPngHeader(Span(other), header), CPngResult::kNotPng);
    EXPECT_EQ(ReadPngHeader(Span(ReadSample("../jpeg/baseline.jpg")), header), CPngResult::kNotPng);
}

TEST(PngHeader, ChunksAndHeadersThatBreakTheFormatAreRefused) {
    const Bytes rgb = ReadSample("rgb.png");
    ASSERT_FALSE(rgb.empty());
    // Bytes 8-11: IHDR's length; 12-15 its type; 16-19 width; 20-23 height; 24 bit depth; 25 colour
    // type; 26 compression; 27 filter; 28 interlace. Allowed bit depths: grey 1, 2, 4, 8, 16; palette 1,
    // 2, 4, 8; the other colour types 8 and 16.
    struct Edit {
        std::size_t at;
        Bytes bytes;
        bool allowed;
    };
    for (const Edit& e : {Edit{24, {1, 0}, true},
                          Edit{24, {16, 0}, true},
                          Edit{24, {3, 0}, false},
                          Edit{24, {8, 3}, true},
                          Edit{24, {16, 3}, false},
                          Edit{24, {4, 2}, false},
                          Edit{24, {16, 4}, true},
                          Edit{24, {2, 6}, false},
                          Edit{24, {8, 1}, false},
                          Edit{24, {8, 5}, false},
                          Edit{24, {0, 0}, false},
                          Edit{28, {1}, true},
                          Edit{28, {2}, false},
                          Edit{26, {1}, false},
                          Edit{27, {1}, false},
                          Edit{16, {0, 0, 0, 0}, false},    // width 0
                          Edit{20, {0x80, 0, 0, 0}, false}, // height 2^31
                          Edit{12, {'X'}, false},           // the first chunk is no IHDR
                          Edit{13, {'1'}, false},           // a type of other than letters
                          Edit{8, {0x80, 0, 0, 0}, false},  // a length beyond 2^31 - 1
                          Edit{8, {0, 0, 0, 12}, false}}) { // an IHDR of another length
        Bytes edited = rgb;
        std::copy(e.bytes.begin(), e.bytes.end(), edited.begin() + static_cast<std::ptrdiff_t>(e.at));
        CPngHeader header;
        EXPECT_EQ(ReadPngHeader(Span(edited), header),
                  e.allowed ? CPngResult::kPicture : CPngResult::kMalformed)
            << "byte " << e.at << " = " << int(e.bytes[0]);
    }
    // The signature and IHDR, then IEND at once: no coded data.
    Bytes empty(rgb.begin(), rgb.begin() + 33);
    empty.insert(empty.end(), rgb.end() - 12, rgb.end());
    CPngPicture picture;
    EXPECT_EQ(ReadPngPicture(Span(empty), picture), CPngResult::kMalformed);
}

TEST(PngHeader, TheBoundCountsTheDecodersRowsAndWhatTheCodedDataCanHold) {
    // The rows that the coded data inflates to, each with its filter byte; an interlaced picture's
    // seven passes each have their own rows (64 x 32, 8 bytes a pixel: 260 + 260 + 516 + 1032 + 2056 +
    // 4112 + 8208).
    EXPECT_EQ(PngFilteredBytes(CPngHeader{64, 32, 8, 2}), 32u * (1 + 192));
    EXPECT_EQ(PngFilteredBytes(CPngHeader{64, 32, 1, 0}), 32u * (1 + 8));
    EXPECT_EQ(PngFilteredBytes(CPngHeader{65, 1, 1, 0}), 1u + 9);
    EXPECT_EQ(PngFilteredBytes(CPngHeader{64, 32, 16, 6}), 32u * (1 + 512));
    EXPECT_EQ(PngFilteredBytes(CPngHeader{64, 32, 16, 6, true}), 16444u);
    EXPECT_EQ(PngFilteredBytes(CPngHeader{1, 1, 8, 2, true}), 4u);
    // The decoder holds the rows at the picture's depth.
    EXPECT_EQ(PngDecoderBytes(CPngHeader{8000, 6000, 8, 2}), 144000000u);
    EXPECT_EQ(PngDecoderBytes(CPngHeader{9, 2, 1, 0}), 4u);

    // A 1920 x 1080 RGB picture inflates to 1080 x 5761 = 6221880 bytes: it needs 6029 bytes of coded
    // data at the least (deflate's 1032 to 1).
    EXPECT_TRUE(IsDecodablePng(CPngHeader{1920, 1080, 8, 2}, 6029));
    EXPECT_FALSE(IsDecodablePng(CPngHeader{1920, 1080, 8, 2}, 6028));
    // Within the decoder's 300 MiB: two 8000 x 6000 eyes side by side; beyond it: the largest sides in
    // RGB, and 10000 x 10000 with alpha.
    const std::uint64_t plenty = std::uint64_t{1} << 40;
    EXPECT_TRUE(IsDecodablePng(CPngHeader{16000, 6000, 8, 2}, plenty));
    EXPECT_TRUE(IsDecodablePng(CPngHeader{16384, 16384, 8, 0}, plenty));
    EXPECT_FALSE(IsDecodablePng(CPngHeader{16384, 16384, 8, 2}, plenty));
    EXPECT_FALSE(IsDecodablePng(CPngHeader{10000, 10000, 8, 6}, plenty));
    EXPECT_FALSE(IsDecodablePng(CPngHeader{16385, 1, 1, 0}, plenty));
}
