// The JPEG header reader and the decoding bound: the sample pictures (baseline, progressive, grey,
// CMYK, and the hostile ones made from them), every cut of a header, and segments that lie about
// their lengths; the index of multi-picture files made of the samples, sound and damaged.

#include "display/JpegHeader.h"
#include "tests/support/MultiPictureFile.h"

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
                   Case{"huge.jpg", 0xC0, 30000, 30000, 3, false},
                   // Within the side bound, but with far more pixels than their few hundred bytes hold.
                   Case{"sparse-square.jpg", 0xC0, 16384, 16384, 3, false},
                   Case{"sparse-progressive.jpg", 0xC2, 16384, 16384, 3, false},
                   Case{"strip.jpg", 0xC0, 16384, 1, 3, true}}) {
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
        EXPECT_EQ(IsDecodablePicture(frame, bytes.size()), c.decodable) << c.name;
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

TEST(JpegHeader, TheDecodingBoundCountsTheDecodersBuffersAndThePixelsThatTheCodedDataCanHold) {
    // A frame header: its marker, size, and each component's sampling factors (horizontal << 4 |
    // vertical); the bytes from the scan header on.
    struct Case {
        const char* what;
        std::uint8_t marker;
        std::uint16_t width, height;
        Bytes sampling;
        std::uint64_t codedBytes;
        bool decodable;
    };
    constexpr std::uint64_t kMegabyte = 1000000;
    const Case cases[] = {
        // Two 8000 x 6000 eyes side by side: 288,000,000 bytes of pixels.
        {"a 16000 x 6000 colour picture", 0xC0, 16000, 6000, {0x22, 0x11, 0x11}, 30 * kMegabyte, true},
        {"its CMYK form, 4 bytes a pixel",
         0xC0,
         16000,
         6000,
         {0x11, 0x11, 0x11, 0x11},
         30 * kMegabyte,
         false},
        {"a 16384 x 16384 grey picture", 0xC0, 16384, 16384, {0x11}, 30 * kMegabyte, true},
        {"a 16384 x 16384 colour picture", 0xC0, 16384, 16384, {0x11, 0x11, 0x11}, 30 * kMegabyte, false},
        // Progressive: 2 bytes for each coefficient as well, 6 blocks of 64 for every 16 x 16 pixels.
        {"an 8000 x 6000 progressive picture", 0xC2, 8000, 6000, {0x22, 0x11, 0x11}, 10 * kMegabyte, true},
        {"a 16000 x 6000 progressive picture", 0xC2, 16000, 6000, {0x22, 0x11, 0x11}, 30 * kMegabyte, false},
        {"two components", 0xC0, 64, 32, {0x11, 0x11}, 1000, false},
        // 1024 pixels a byte at the most.
        {"1024 x 1024 in 1024 bytes", 0xC0, 1024, 1024, {0x11, 0x11, 0x11}, 1024, true},
        {"1024 x 1025 in 1024 bytes", 0xC0, 1024, 1025, {0x11, 0x11, 0x11}, 1024, false},
    };
    for (const Case& c : cases) {
        Bytes payload = {8,
                         static_cast<std::uint8_t>(c.height >> 8),
                         static_cast<std::uint8_t>(c.height),
                         static_cast<std::uint8_t>(c.width >> 8),
                         static_cast<std::uint8_t>(c.width),
                         static_cast<std::uint8_t>(c.sampling.size())};
        for (std::size_t i = 0; i < c.sampling.size(); ++i)
            payload.insert(payload.end(), {static_cast<std::uint8_t>(i + 1), c.sampling[i], 0});
        Bytes stream = {0xFF, kJpegSoi};
        Append(stream, c.marker, payload);
        const std::size_t scanAt = stream.size();
        Append(stream, kJpegSos, {1, 1, 0, 0, 63, 0});
        CJpegFrame frame;
        ASSERT_EQ(FrameOf(stream, frame), CJpegFrameResult::kFrame) << c.what;
        EXPECT_EQ(IsDecodablePicture(frame, scanAt + c.codedBytes), c.decodable) << c.what;
    }
    // A sampling factor of 0 or above 4 is no frame at all.
    for (std::uint8_t sampling : {0x01, 0x10, 0x51, 0x15}) {
        Bytes stream = {0xFF, kJpegSoi};
        Append(stream, 0xC0, {8, 0, 32, 0, 64, 1, 1, sampling, 0});
        CJpegFrame frame;
        EXPECT_EQ(FrameOf(stream, frame), CJpegFrameResult::kMalformed) << std::hex << int{sampling};
    }
}

TEST(JpegHeader, MarkerSegmentsDoNotCountAsCodedData) {
    // Four 64 KiB APP1 segments before the frame header of a 16384 x 16384 grey picture (268 MB in the
    // decoder): 256 KiB, as many bytes as that many pixels need, but none of them coded data; then a
    // scan of `codedBytes` (0: none).
    for (const std::size_t codedBytes : {0, 65536, 262144}) {
        Bytes stream = {0xFF, kJpegSoi};
        for (int i = 0; i < 4; ++i)
            Append(stream, kJpegApp0 + 1, Bytes(65533, 0));
        Append(stream, 0xC0, FramePayload(16384, 16384));
        if (codedBytes > 0) {
            Append(stream, kJpegSos, {1, 1, 0, 0, 63, 0});
            stream.resize(stream.size() + codedBytes - 10, 0x55);
        }
        CJpegFrame frame;
        ASSERT_EQ(FrameOf(stream, frame), CJpegFrameResult::kFrame);
        EXPECT_EQ(IsDecodablePicture(frame, stream.size()), codedBytes >= 262144) << codedBytes;
    }
}

namespace {

using testing_support::BuildMultiPictureFile;
using testing_support::CMultiPictureLayout;

CMultiPictureResult IndexOf(const Bytes& file, CMultiPictureIndex& index) {
    return ReadMultiPictureIndex(std::span<const std::uint8_t>(file.data(), file.size()), index);
}

Bytes PictureAt(const Bytes& file, const CJpegPictureRange& range) {
    return Bytes(file.begin() + static_cast<std::ptrdiff_t>(range.offset),
                 file.begin() + static_cast<std::ptrdiff_t>(range.offset + range.size));
}

// Writes `value` as the 32-bit number at `at` in the file's byte order.
void Put32(Bytes& file, std::size_t at, std::uint32_t value, bool bigEndian) {
    for (int i = 0; i < 4; ++i)
        file[at + i] = static_cast<std::uint8_t>(value >> (8 * (bigEndian ? 3 - i : i)));
}

} // namespace

TEST(MultiPictureIndex, FindsBothPicturesInEitherByteOrderAndReadsAPlainJpegAsOne) {
    const Bytes left = ReadSample("baseline.jpg");
    const Bytes right = ReadSample("progressive.jpg");
    for (bool bigEndian : {false, true}) {
        const Bytes file = BuildMultiPictureFile({left, right}, bigEndian);
        CMultiPictureIndex index;
        ASSERT_EQ(IndexOf(file, index), CMultiPictureResult::kPictures) << bigEndian;
        EXPECT_EQ(index.count, 2u);
        EXPECT_EQ(index.first.offset, 0u);
        EXPECT_EQ(index.second.offset + index.second.size, file.size());
        EXPECT_EQ(PictureAt(file, index.second), right);
        // The first picture is the sample with the index after its start-of-image marker.
        CJpegFrame frame;
        ASSERT_EQ(FrameOf(PictureAt(file, index.first), frame), CJpegFrameResult::kFrame);
        EXPECT_EQ(frame.width, 64u);
        EXPECT_EQ(index.first.size, index.second.offset);
    }
    // Three pictures: the first two are shown.
    const Bytes three = BuildMultiPictureFile({left, right, left});
    CMultiPictureIndex index;
    ASSERT_EQ(IndexOf(three, index), CMultiPictureResult::kPictures);
    EXPECT_EQ(index.count, 3u);
    EXPECT_EQ(PictureAt(three, index.second), right);

    // The fuzzing seed: baseline.jpg and grey.jpg.
    const Bytes seed = ReadSample("stereo.mpo");
    ASSERT_EQ(IndexOf(seed, index), CMultiPictureResult::kPictures);
    EXPECT_EQ(index.count, 2u);
    EXPECT_EQ(PictureAt(seed, index.second), ReadSample("grey.jpg"));

    const Bytes one = BuildMultiPictureFile({right});
    ASSERT_EQ(IndexOf(one, index), CMultiPictureResult::kPictures);
    EXPECT_EQ(index.count, 1u);
    EXPECT_EQ(index.first.size, one.size());

    ASSERT_EQ(IndexOf(left, index), CMultiPictureResult::kPictures);
    EXPECT_EQ(index.count, 1u);
    EXPECT_EQ(index.first.size, left.size());
    EXPECT_EQ(IndexOf(ReadSample("truncated-header.jpg"), index), CMultiPictureResult::kNotJpeg);
    EXPECT_EQ(IndexOf({'B', 'M', 0, 0}, index), CMultiPictureResult::kNotJpeg);
}

TEST(MultiPictureIndex, ADamagedIndexIsRefusedWhereverItIsCut) {
    const Bytes left = ReadSample("baseline.jpg");
    const Bytes right = ReadSample("grey.jpg");
    CMultiPictureLayout layout;
    const Bytes sound = BuildMultiPictureFile({left, right}, true, &layout);
    const std::size_t second = layout.firstEntry + 16;
    struct Case {
        const char* what;
        std::size_t at;
        std::uint32_t value;
    };
    const Case cases[] = {
        {"no picture", layout.pictureNumber, 0},
        {"more pictures than entries", layout.pictureNumber, 3},
        {"a byte order mark of neither order", layout.structureStart, 0x4D4D2A00},
        {"an IFD past the structure", layout.structureStart + 4, 0x10000},
        {"a first picture not at the start", layout.firstEntry + 8, 4},
        {"a first picture past the end", layout.firstEntry + 4, static_cast<std::uint32_t>(sound.size() + 1)},
        {"a first picture without its index", layout.firstEntry + 4, 20},
        {"a second picture past the end", second + 8, static_cast<std::uint32_t>(sound.size())},
        {"a second picture longer than the file", second + 4, static_cast<std::uint32_t>(sound.size())},
        {"a second picture inside the first", second + 8, 40},
        {"a second picture at offset 0", second + 8, 0},
        {"a second picture of no bytes", second + 4, 0},
        {"an offset that wraps", second + 8, 0xFFFFFFF0},
    };
    for (const Case& c : cases) {
        Bytes file = sound;
        Put32(file, c.at, c.value, true);
        CMultiPictureIndex index;
        EXPECT_EQ(IndexOf(file, index), CMultiPictureResult::kDamagedIndex) << c.what;
    }
    CMultiPictureIndex index;
    ASSERT_EQ(IndexOf(sound, index), CMultiPictureResult::kPictures);

    // Every cut of the segment after its signature leaves a structure too short for its numbers.
    const std::size_t lengthAt = 4;
    const std::size_t segmentLength = sound[lengthAt] << 8 | sound[lengthAt + 1];
    for (std::size_t length = 2 + 4; length < segmentLength; ++length) {
        Bytes file = sound;
        file[lengthAt] = static_cast<std::uint8_t>(length >> 8);
        file[lengthAt + 1] = static_cast<std::uint8_t>(length);
        // The bytes that the shorter segment leaves out are taken for stray bytes before the next marker.
        const CMultiPictureResult result = IndexOf(file, index);
        EXPECT_TRUE(result == CMultiPictureResult::kDamagedIndex || result == CMultiPictureResult::kNotJpeg)
            << "segment length " << length;
    }
}
