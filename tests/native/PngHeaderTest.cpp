// The PNG header reader and its decoding bound: the sample files (every colour type, interlaced, and
// the hostile and damaged ones made from them), every cut of a file, chunks that break the format,
// and the bound at its edges.

#include "display/PngHeader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::string_view_literals;

Bytes ReadSample(const std::string& name) {
    std::ifstream file(std::string(ZELTO_PNG_SAMPLES) + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

} // namespace

TEST(PngHeader, TheSamplesSizesFormatsAndBound) {
    struct Case {
        const char* name;
        CPngResult result; // of the whole file
        CPngHeader header;
        bool transparency, decodable;
    };
    for (const Case& c : {
             Case{"rgb.png", CPngResult::kPicture, {64, 32, 8, 2}, false, true},
             Case{"palette.png", CPngResult::kPicture, {64, 32, 4, 3}, true, true},
             Case{"rgba16-interlaced.png", CPngResult::kPicture, {64, 32, 16, 6, true}, false, true},
             // As flat as a picture gets, and still within the bound.
             Case{"black-screen.png", CPngResult::kPicture, {1920, 1080, 8, 2}, false, true},
             // rgb.png's 4 kB of coded data under headers that claim far more.
             Case{"sparse.png", CPngResult::kPicture, {8000, 6000, 8, 2}, false, false},
             Case{"huge.png", CPngResult::kPicture, {30000, 30000, 8, 2}, false, false},
             Case{"oversized-wide.png", CPngResult::kPicture, {16385, 1, 8, 2}, false, false},
             Case{"truncated.png", CPngResult::kTruncated, {64, 32, 8, 2}, false, true},
             Case{"bad-crc.png", CPngResult::kMalformed, {64, 32, 8, 2}, false, true},
         }) {
        const Bytes bytes = ReadSample(c.name);
        CPngHeader header;
        CPngPicture picture;
        ASSERT_EQ(ReadPngHeader(bytes, header), CPngResult::kPicture) << c.name;
        EXPECT_TRUE(header.width == c.header.width && header.height == c.header.height &&
                    header.bitDepth == c.header.bitDepth && header.colourType == c.header.colourType &&
                    header.interlaced == c.header.interlaced)
            << c.name;
        // Before the chunks are walked, the file's length stands for the coded data.
        EXPECT_EQ(IsDecodablePng(header, bytes.size()), c.decodable) << c.name;
        ASSERT_EQ(ReadPngPicture(bytes, picture), c.result) << c.name;
        EXPECT_TRUE(c.result != CPngResult::kPicture ||
                    (picture.transparency == c.transparency && picture.codedBytes > 0 &&
                     picture.codedBytes < bytes.size() &&
                     IsDecodablePng(picture.header, picture.codedBytes) == c.decodable))
            << c.name;
    }
}

TEST(PngHeader, CutForeignAndBrokenFilesAreRefused) {
    const Bytes rgb = ReadSample("rgb.png");
    CPngPicture picture;
    for (std::size_t size = 0; size < rgb.size(); ++size)
        EXPECT_EQ(ReadPngPicture(std::span(rgb.data(), size), picture), CPngResult::kTruncated) << size;
    EXPECT_EQ(ReadPngPicture(ReadSample("../jpeg/baseline.jpg"), picture), CPngResult::kNotPng);
    // The signature and IHDR, then IEND at once: no coded data.
    Bytes empty(rgb.begin(), rgb.begin() + 33);
    empty.insert(empty.end(), rgb.end() - 12, rgb.end());
    EXPECT_EQ(ReadPngPicture(empty, picture), CPngResult::kMalformed);

    // Bytes 8-11 are IHDR's length; 12-15 its type; 16-19 the width; 20-23 the height; 24 the bit depth; 25
    // the colour type; 26-28 the compression, filter and interlace methods. Grey allows 1, 2, 4, 8 and 16
    // bits; a palette 1, 2, 4 and 8; the other colour types 8 and 16. Then a width of 0, a height of 2^31,
    // a first chunk that is no IHDR, a type of other than letters, a length beyond 2^31 - 1 and an IHDR
    // of another length.
    // clang-format off
    const std::tuple<std::size_t, std::string_view, bool> edits[] = {
        {24, "\x01\x00"sv, true}, {24, "\x10\x00"sv, true}, {24, "\x03\x00"sv, false}, {24, "\x08\x03"sv, true},
        {24, "\x10\x03"sv, false}, {24, "\x04\x02"sv, false}, {24, "\x02\x06"sv, false}, {24, "\x08\x05"sv, false},
        {28, "\x01"sv, true}, {28, "\x02"sv, false}, {26, "\x01"sv, false}, {27, "\x01"sv, false},
        {16, "\0\0\0\0"sv, false}, {20, "\x80\0\0\0"sv, false}, {12, "X"sv, false}, {13, "1"sv, false},
        {8, "\x80\0\0\0"sv, false}, {8, "\0\0\0\x0C"sv, false},
    };
    // clang-format on
    for (const auto& [at, bytes, allowed] : edits) {
        Bytes edited = rgb;
        std::copy(bytes.begin(), bytes.end(), edited.begin() + static_cast<std::ptrdiff_t>(at));
        CPngHeader header;
        EXPECT_EQ(ReadPngHeader(edited, header), allowed ? CPngResult::kPicture : CPngResult::kMalformed)
            << "byte " << at << " = " << int(static_cast<std::uint8_t>(bytes[0]));
    }
}

TEST(PngHeader, TheBoundCountsTheDecodersRowsAndWhatTheCodedDataCanHold) {
    // The rows that the coded data inflates to, each with its filter byte; an interlaced picture's
    // seven passes each have their own rows (64 x 32, 8 bytes a pixel: 260 + 260 + 516 + 1032 + 2056 +
    // 4112 + 8208).
    EXPECT_EQ(PngFilteredBytes(CPngHeader{65, 1, 1, 0}), 1u + 9);
    EXPECT_EQ(PngFilteredBytes(CPngHeader{64, 32, 16, 6}), 32u * (1 + 512));
    EXPECT_EQ(PngFilteredBytes(CPngHeader{64, 32, 16, 6, true}), 16444u);
    // A 1920 x 1080 RGB picture inflates to 1080 x 5761 = 6221880 bytes: it needs 6029 bytes of coded
    // data at the least (deflate's 1032 to 1).
    EXPECT_TRUE(IsDecodablePng(CPngHeader{1920, 1080, 8, 2}, 6029));
    EXPECT_FALSE(IsDecodablePng(CPngHeader{1920, 1080, 8, 2}, 6028));
    // Within the decoder's 300 MiB: two 8000 x 6000 eyes side by side; beyond it: the largest sides in
    // RGB, and 10000 x 10000 with opacity.
    constexpr std::uint64_t plenty = std::uint64_t{1} << 40;
    EXPECT_TRUE(IsDecodablePng(CPngHeader{16000, 6000, 8, 2}, plenty));
    EXPECT_FALSE(IsDecodablePng(CPngHeader{16384, 16384, 8, 2}, plenty));
    EXPECT_FALSE(IsDecodablePng(CPngHeader{10000, 10000, 8, 6}, plenty));
}
