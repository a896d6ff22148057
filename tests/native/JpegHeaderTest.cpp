// The JPEG header reader and the decoding bound: the sample pictures (baseline, progressive, grey,
// CMYK, and the hostile ones made from them), every cut of a header, and segments that lie about
// their lengths.

#include "display/JpegHeader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadSample(const std::string& name) {
    std::ifstream file(std::string(ZELTO_JPEG_SAMPLES) + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

CJpegFrameResult FrameOf(const Bytes& bytes, CJpegFrame& frame) {
    return ReadJpegFrame(std::span<const std::uint8_t>(bytes.data(), bytes.size()), frame);
}

// A segment: marker, big-endian length (payload + 2), payload.
void Append(Bytes& stream, std::uint8_t marker, const Bytes& payload) {
    const std::size_t length = payload.size() + 2;
    stream.insert(stream.end(), {0xFF, marker, static_cast<std::uint8_t>(length >> 8),
                                 static_cast<std::uint8_t>(length & 0xFF)});
    stream.insert(stream.end(), payload.begin(), payload.end());
}

// A frame header of one component: precision 8, height, width.
Bytes FramePayload(std::uint16_t width, std::uint16_t height) {
    return {8,
            static_cast<std::uint8_t>(height >> 8),
            static_cast<std::uint8_t>(height),
            static_cast<std::uint8_t>(width >> 8),
            static_cast<std::uint8_t>(width),
            1,
            1,
            0x11,
            0};
}

} // namespace

TEST(JpegHeader, TheSamplesSizesComponentsAndCoding) {
    struct Case {
        const char* name;
        std::uint8_t marker;
        std::uint32_t width, height;
        std::uint8_t components;
        bool decodable;
    };
    for (Case c : {Case{"baseline.jpg", 0xC0, 64, 32, 3, true},
                   Case{"progressive.jpg", 0xC2, 64, 32, 3, true}, Case{"grey.jpg", 0xC0, 64, 32, 1, true},
                   Case{"cmyk.jpg", 0xC0, 64, 32, 4, true}, Case{"truncated-scan.jpg", 0xC0, 64, 32, 3, true},
                   Case{"oversized-wide.jpg", 0xC0, 16385, 32, 3, false},
                   Case{"oversized-tall.jpg", 0xC0, 64, 16385, 3, false},
                   Case{"huge.jpg", 0xC0, 30000, 30000, 3, false}}) {
        const Bytes bytes = ReadSample(c.name);
        ASSERT_FALSE(bytes.empty()) << c.name;
        CJpegFrame frame;
        ASSERT_EQ(FrameOf(bytes, frame), CJpegFrameResult::kFrame) << c.name;
        EXPECT_EQ(frame.marker, c.marker) << c.name;
        EXPECT_EQ(frame.IsProgressive(), c.marker == 0xC2) << c.name;
        EXPECT_EQ(frame.precision, 8) << c.name;
        EXPECT_EQ(frame.width, c.width) << c.name;
        EXPECT_EQ(frame.height, c.height) << c.name;
        EXPECT_EQ(frame.components, c.components) << c.name;
        EXPECT_EQ(IsDecodablePictureSize(frame.width, frame.height), c.decodable) << c.name;
    }
    CJpegFrame frame;
    EXPECT_EQ(FrameOf(ReadSample("truncated-header.jpg"), frame), CJpegFrameResult::kTruncated);
}

TEST(JpegHeader, EveryCutOfAHeaderIsTruncatedUntilTheFrameHeaderIsWhole) {
    for (const char* name : {"baseline.jpg", "progressive.jpg", "cmyk.jpg"}) {
        const Bytes whole = ReadSample(name);
        std::size_t firstWhole = 0;
        for (std::size_t length = 0; length <= whole.size(); ++length) {
            // Exactly `length` bytes, so that the sanitizers see any read past them.
            const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
            CJpegFrame frame;
            const CJpegFrameResult result = FrameOf(cut, frame);
            if (result == CJpegFrameResult::kFrame && firstWhole == 0)
                firstWhole = length;
            EXPECT_EQ(result, firstWhole == 0 ? CJpegFrameResult::kTruncated : CJpegFrameResult::kFrame)
                << name << " cut to " << length;
        }
        EXPECT_GT(firstWhole, 2u) << name;
    }
}

TEST(JpegHeader, SegmentsComeInOrderWithTheirPayloadsPastFillAndStrayBytes) {
    Bytes stream = {0xFF, kJpegSoi};
    Append(stream, kJpegApp0, {'J', 'F', 'I', 'F', 0});
    // Stray bytes, a stuffed zero, a restart marker and fill bytes where a marker is due.
    stream.insert(stream.end(), {0x42, 0x17, 0xFF, 0x00, 0xFF, 0xD3, 0xFF, 0xFF});
    Append(stream, kJpegApp0 + 2, {'M', 'P', 'F', 0, 1, 2, 3});
    Append(stream, 0xFE, {});
    Append(stream, 0xC2, FramePayload(640, 480));
    Append(stream, kJpegSos, {1, 1, 0, 0, 63, 0});
    stream.insert(stream.end(), {0x12, 0xFF, 0xD9});

    CJpegMarkerReader reader(std::span<const std::uint8_t>(stream.data(), stream.size()));
    std::vector<std::uint8_t> markers;
    CJpegSegment segment;
    while (reader.Next(segment)) {
        markers.push_back(segment.marker);
        ASSERT_EQ(segment.payload.data(), stream.data() + segment.offset);
        if (segment.marker == kJpegApp0 + 2) {
            EXPECT_EQ(Bytes(segment.payload.begin(), segment.payload.end()),
                      Bytes({'M', 'P', 'F', 0, 1, 2, 3}));
        }
        if (segment.marker == 0xFE) {
            EXPECT_TRUE(segment.payload.empty());
        }
    }
    EXPECT_EQ(markers, Bytes({kJpegApp0, kJpegApp0 + 2, 0xFE, 0xC2, kJpegSos}));
    EXPECT_EQ(reader.GetState(), CJpegMarkerReader::State::kScan);
    EXPECT_FALSE(reader.Next(segment));

    CJpegFrame frame;
    ASSERT_EQ(FrameOf(stream, frame), CJpegFrameResult::kFrame);
    EXPECT_TRUE(frame.IsProgressive());
    EXPECT_EQ(frame.width, 640u);
    EXPECT_EQ(frame.height, 480u);
    EXPECT_EQ(frame.components, 1);
}

TEST(JpegHeader, LyingLengthsAndBrokenFramesAreRefused) {
    const Bytes frame64x32 = FramePayload(64, 32);
    Bytes tooFewComponents = frame64x32;
    tooFewComponents[5] = 3;
    struct Case {
        const char* what;
        Bytes afterSoi; // segments, each written as marker, length, payload
        CJpegFrameResult result;
    };
    const auto segment = [](std::uint8_t marker, const Bytes& payload) {
        Bytes bytes;
        Append(bytes, marker, payload);
        return bytes;
    };
    const Case cases[] = {
        {"a length past the end", {0xFF, 0xE1, 0xFF, 0xFF, 1, 2, 3}, CJpegFrameResult::kTruncated},
        {"a length below its own bytes", {0xFF, 0xE1, 0x00, 0x01, 1, 2, 3}, CJpegFrameResult::kMalformed},
        {"more components than held", segment(0xC0, tooFewComponents), CJpegFrameResult::kMalformed},
        {"a short frame header", segment(0xC0, {8, 0, 32, 0}), CJpegFrameResult::kMalformed},
        {"width 0", segment(0xC1, FramePayload(0, 32)), CJpegFrameResult::kMalformed},
        {"height 0", segment(0xC0, FramePayload(64, 0)), CJpegFrameResult::kMalformed},
        {"a scan before the frame", segment(kJpegSos, {1, 1, 0, 0, 63, 0}), CJpegFrameResult::kMalformed},
        {"the end of the image", {0xFF, kJpegEoi}, CJpegFrameResult::kMalformed},
        {"a second start of image", {0xFF, kJpegSoi}, CJpegFrameResult::kMalformed},
        {"a reserved marker", segment(0x42, frame64x32), CJpegFrameResult::kMalformed},
        // DHT, JPG and DAC share the frame markers' range without being frames.
        {"DHT", segment(0xC4, frame64x32), CJpegFrameResult::kTruncated},
        {"JPG", segment(0xC8, frame64x32), CJpegFrameResult::kTruncated},
        {"DAC", segment(0xCC, frame64x32), CJpegFrameResult::kTruncated},
    };
    CJpegFrame frame;
    for (const Case& c : cases) {
        Bytes stream = {0xFF, kJpegSoi};
        stream.insert(stream.end(), c.afterSoi.begin(), c.afterSoi.end());
        EXPECT_EQ(FrameOf(stream, frame), c.result) << c.what;
    }
    // Other files, and nothing at all.
    EXPECT_EQ(FrameOf({'B', 'M', 0, 0}, frame), CJpegFrameResult::kNotJpeg);
    EXPECT_EQ(FrameOf({0xFF, 0xD9}, frame), CJpegFrameResult::kNotJpeg);
    EXPECT_EQ(FrameOf({}, frame), CJpegFrameResult::kTruncated);
    EXPECT_EQ(FrameOf({0xFF}, frame), CJpegFrameResult::kTruncated);
}

TEST(JpegHeader, TheDecodingBound) {
    EXPECT_TRUE(IsDecodablePictureSize(1, 1));
    EXPECT_TRUE(IsDecodablePictureSize(kMaxPictureSide, kMaxPictureSide));
    for (auto [width, height] : {std::pair<std::uint64_t, std::uint64_t>{kMaxPictureSide + 1, 1},
                                 {1, kMaxPictureSide + 1},
                                 {0, 100},
                                 {100, 0},
                                 {1ull << 40, 1ull << 40}})
        EXPECT_FALSE(IsDecodablePictureSize(width, height)) << width << "x" << height;
}
