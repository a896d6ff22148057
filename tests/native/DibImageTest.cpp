// The bitmap holder: building bitmaps, the size rules, and reading .bmp files, good and malformed, from
// real files positioned anywhere.

#include "display/DibImage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& bytes, std::uint32_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}
void Put32(Bytes& bytes, std::uint32_t value) {
    Put16(bytes, value & 0xFFFF);
    Put16(bytes, value >> 16);
}

// A .bmp image as a writer would make it, with every field open to damage.
struct BmpFields {
    std::int32_t width = 5;
    std::int32_t height = 3;
    std::uint16_t bitCount = 24;
    std::uint16_t magic = 0x4D42;
    std::uint32_t headerSize = 40;
    std::uint32_t compression = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t tableEntries = 0;           // entries written after the header
    std::optional<std::uint32_t> pixelOffset; // default: right after the table
    std::optional<std::uint32_t> pixelBytes;  // default: stride x height
};

std::uint32_t StrideOf(std::int64_t width, unsigned bits) {
    return static_cast<std::uint32_t>((width * bits + 31) / 32 * 4);
}

// Table entry i is (i, 255 - i, i / 2); pixel byte k is (k * 7 + 3) mod 256.
Bytes MakeBmp(const BmpFields& bmp) {
    const std::uint32_t offset = bmp.pixelOffset.value_or(14 + bmp.headerSize + 4 * bmp.tableEntries);
    const std::uint32_t pixels = bmp.pixelBytes.value_or(
        bmp.width > 0 ? StrideOf(bmp.width, bmp.bitCount) * static_cast<std::uint32_t>(std::abs(bmp.height))
                      : 16);
    Bytes bytes;
    Put16(bytes, bmp.magic);
    Put32(bytes, offset + pixels);
    Put32(bytes, 0);
    Put32(bytes, offset);
    Put32(bytes, bmp.headerSize);
    Put32(bytes, static_cast<std::uint32_t>(bmp.width));
    Put32(bytes, static_cast<std::uint32_t>(bmp.height));
    Put16(bytes, 1);
    Put16(bytes, bmp.bitCount);
    Put32(bytes, bmp.compression);
    Put32(bytes, pixels);
    Put32(bytes, 2835);
    Put32(bytes, 2835);
    Put32(bytes, bmp.clrUsed);
    Put32(bytes, 0);
    bytes.resize(14 + bmp.headerSize, 0xEE); // a longer header's extra fields
    for (std::uint32_t i = 0; i < bmp.tableEntries; ++i) {
        for (std::uint8_t value : {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                                   static_cast<std::uint8_t>(i / 2), std::uint8_t{0}})
            bytes.push_back(value);
    }
    bytes.resize(offset, 0xAA);
    for (std::uint32_t k = 0; k < pixels; ++k)
        bytes.push_back(static_cast<std::uint8_t>(k * 7 + 3));
    return bytes;
}

// A real file holding `prefix` junk bytes and then `bytes`, opened for reading at the image's start.
class TempFile {
public:
    TempFile(const Bytes& bytes, std::size_t prefix = 0) {
        static int counter = 0;
        m_path =
            (std::filesystem::temp_directory_path() / ("zelto-dib-" + std::to_string(++counter) + ".bmp"))
                .string();
        std::FILE* out = std::fopen(m_path.c_str(), "wb");
        for (std::size_t i = 0; i < prefix; ++i)
            std::fputc('x', out);
        if (!bytes.empty())
            std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
        m_file = std::fopen(m_path.c_str(), "rb");
        std::fseek(m_file, static_cast<long>(prefix), SEEK_SET);
    }
    ~TempFile() {
        std::fclose(m_file);
        std::remove(m_path.c_str());
    }
    std::FILE* get() const { return m_file; }

private:
    std::string m_path;
    std::FILE* m_file = nullptr;
};

bool Read(CDibImage& image, const Bytes& bytes, std::size_t prefix = 0) {
    TempFile file(bytes, prefix);
    return image.ReadBitmapFile(file.get());
}

void ExpectEmpty(const CDibImage& image) {
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_EQ(image.GetWidth(), 0);
    EXPECT_EQ(image.GetHeight(), 0);
    EXPECT_EQ(image.GetBitCount(), 0u);
    EXPECT_EQ(image.GetStride(), 0u);
    EXPECT_EQ(image.GetImageSize(), 0u);
    EXPECT_EQ(image.Header(), nullptr);
    EXPECT_EQ(image.Pixels(), nullptr);
    EXPECT_EQ(image.RowFromTop(0), nullptr);
}

// A holder that already carries a bitmap, to show that a failed read leaves it empty.
void HoldSomething(CDibImage& image) {
    ASSERT_TRUE(image.Create(kDibTrueColour, 2, 2));
}

} // namespace

TEST(DibImageCreate, SizesStridesAndTables) {
    CDibImage image;
    ASSERT_TRUE(image.Create(kDibTrueColour, 640, 480));
    EXPECT_EQ(image.GetStride(), 1920u);
    EXPECT_EQ(image.GetImageSize(), 921600u);
    EXPECT_EQ(image.GetBitCount(), 24u);
    const CDibInfoHeader& header = *image.Header();
    EXPECT_EQ(header.size, 40u);
    EXPECT_EQ(header.width, 640);
    EXPECT_EQ(header.height, 480);
    EXPECT_EQ(header.planes, 1);
    EXPECT_EQ(header.compression, 0u);
    EXPECT_EQ(header.sizeImage, 921600u);
    EXPECT_EQ(header.xPelsPerMeter, 120);
    EXPECT_EQ(header.yPelsPerMeter, 120);
    EXPECT_EQ(header.clrUsed, 0u);
    EXPECT_EQ(header.clrImportant, 0u);

    image.Free();
    ASSERT_TRUE(image.Create(kDibTrueColour, 1, 1));
    EXPECT_EQ(image.GetStride(), 4u);

    image.Free();
    ASSERT_TRUE(image.Create(kDibMonochrome, 10, 2));
    EXPECT_EQ(image.GetStride(), 4u);
    EXPECT_EQ(image.GetImageSize(), 8u);
    EXPECT_EQ(image.Header()->clrUsed, 2u);
    const CDibQuad* table = image.ColourTable();
    EXPECT_EQ(std::memcmp(&table[0], "\0\0\0\0", 4), 0);
    EXPECT_EQ(std::memcmp(&table[1], "\xFF\xFF\xFF\0", 4), 0);

    image.Free();
    ASSERT_TRUE(image.Create(kDibGrey, 3, 1));
    EXPECT_EQ(image.GetStride(), 4u);
    EXPECT_EQ(image.Header()->clrUsed, 256u);
    for (int i = 0; i < 256; ++i) {
        const CDibQuad& entry = image.ColourTable()[i];
        ASSERT_TRUE(entry.blue == i && entry.green == i && entry.red == i && entry.reserved == 0)
            << "entry " << i;
    }
}

TEST(DibImageCreate, BadArgumentsChangeNothing) {
    CDibImage image;
    EXPECT_FALSE(image.Create(3, 10, 10));
    ExpectEmpty(image);
    EXPECT_FALSE(image.Create(kDibTrueColour, 0, 10));
    EXPECT_FALSE(image.Create(kDibTrueColour, 10, 0));
    ExpectEmpty(image);

    ASSERT_TRUE(image.Create(kDibGrey, 7, 3));
    const std::uint8_t* pixels = image.Pixels();
    EXPECT_FALSE(image.Create(255, 1, 1));
    EXPECT_FALSE(image.Create(kDibTrueColour, 0, 5));
    // Rows that do not fit 32 bits, and sizes beyond the header's signed fields.
    EXPECT_FALSE(image.Create(kDibTrueColour, 0x10000000, 0x10000000));
    EXPECT_FALSE(image.Create(kDibMonochrome, 0x80000000u, 1));
    EXPECT_FALSE(image.Create(kDibMonochrome, 8, 0xFFFFFFFFu));
    EXPECT_EQ(image.Pixels(), pixels);
    EXPECT_EQ(image.GetWidth(), 7);
    EXPECT_EQ(image.GetBitCount(), 8u);
}

TEST(DibImageCreate, EmptyHolderAnswersZeroAndFreeIsHarmless) {
    CDibImage image;
    ExpectEmpty(image);
    image.Free();
    image.Free();
    ExpectEmpty(image);
    ASSERT_TRUE(image.Create(kDibTrueColour, 3, 2));
    image.Free();
    ExpectEmpty(image);
}

TEST(DibImageCreate, RowsAreStoredBottomUp) {
    CDibImage image;
    ASSERT_TRUE(image.Create(kDibTrueColour, 3, 4));
    EXPECT_EQ(image.RowFromTop(3), image.Pixels());
    EXPECT_EQ(image.RowFromTop(0), image.Pixels() + 3 * 12);
    EXPECT_EQ(image.RowFromTop(4), nullptr);
    EXPECT_EQ(image.RowFromTop(-1), nullptr);
}

TEST(DibImageReadBitmapFile, ReadsEachDepthAsStored) {
    struct Case {
        std::uint16_t bits;
        std::uint32_t entries;
    };
    for (Case c : {Case{24, 0}, Case{1, 2}, Case{8, 256}}) {
        BmpFields bmp;
        bmp.width = 13;
        bmp.height = 5;
        bmp.bitCount = c.bits;
        bmp.tableEntries = c.entries;
        const Bytes bytes = MakeBmp(bmp);
        CDibImage image;
        ASSERT_TRUE(Read(image, bytes)) << c.bits << " bits";
        EXPECT_EQ(image.GetWidth(), 13);
        EXPECT_EQ(image.GetHeight(), 5);
        EXPECT_EQ(image.GetBitCount(), c.bits);
        EXPECT_EQ(image.GetStride(), StrideOf(13, c.bits));
        if (c.entries > 0) {
            EXPECT_EQ(std::memcmp(image.ColourTable(), bytes.data() + 54, 4 * c.entries), 0);
        }
        const std::size_t offset = 54 + 4 * c.entries;
        EXPECT_EQ(std::memcmp(image.Pixels(), bytes.data() + offset, image.GetImageSize()), 0)
            << c.bits << " bits";
        EXPECT_EQ(image.Header()->sizeImage, image.GetImageSize());
    }
}

TEST(DibImageReadBitmapFile, FindsThePixelsFromTheImagesOwnStart) {
    BmpFields bmp;
    bmp.bitCount = 8;
    bmp.tableEntries = 256;
    bmp.pixelOffset = 54 + 1024 + 37; // a gap between table and pixels
    const Bytes bytes = MakeBmp(bmp);
    CDibImage image;
    ASSERT_TRUE(Read(image, bytes, 1000));
    EXPECT_EQ(std::memcmp(image.Pixels(), bytes.data() + *bmp.pixelOffset, image.GetImageSize()), 0);
}

TEST(DibImageReadBitmapFile, AnEightBitFileAlwaysGetsTheWholeTable) {
    // The file says 16 colours and stores 16 entries; the 1024 bytes after the header are taken as the
    // table all the same, and the pixels come from the header's offset.
    BmpFields bmp;
    bmp.bitCount = 8;
    bmp.width = 40;
    bmp.height = 30;
    bmp.clrUsed = 16;
    bmp.tableEntries = 16;
    const Bytes bytes = MakeBmp(bmp);
    CDibImage image;
    ASSERT_TRUE(Read(image, bytes));
    EXPECT_EQ(std::memcmp(image.ColourTable(), bytes.data() + 54, 1024), 0);
    EXPECT_EQ(std::memcmp(image.Pixels(), bytes.data() + 54 + 64, image.GetImageSize()), 0);
    EXPECT_EQ(image.Header()->clrUsed, 16u);
}

TEST(DibImageReadBitmapFile, ALongerHeaderIsReadWithTheTableAfterIt) {
    BmpFields bmp;
    bmp.bitCount = 8;
    bmp.headerSize = 124;
    bmp.tableEntries = 256;
    const Bytes bytes = MakeBmp(bmp);
    CDibImage image;
    ASSERT_TRUE(Read(image, bytes, 3));
    EXPECT_EQ(std::memcmp(image.ColourTable(), bytes.data() + 14 + 124, 1024), 0);
    // What the holder keeps is a 40-byte header: drawing must not read a longer one past the block.
    EXPECT_EQ(image.Header()->size, 40u);
}

TEST(DibImageReadBitmapFile, ColoursUsedNeverReachPastTheTable) {
    BmpFields bmp;
    bmp.clrUsed = 1000; // a 24-bit file claiming a table
    CDibImage image;
    ASSERT_TRUE(Read(image, MakeBmp(bmp)));
    EXPECT_EQ(image.Header()->clrUsed, 0u);
    bmp.bitCount = 1;
    bmp.tableEntries = 2;
    bmp.clrUsed = 256;
    image.Free();
    ASSERT_TRUE(Read(image, MakeBmp(bmp)));
    EXPECT_EQ(image.Header()->clrUsed, 2u);
}

TEST(DibImageReadBitmapFile, RefusesWhatItDoesNotReadAndEndsEmpty) {
    const auto refused = [](BmpFields bmp, const char* what) {
        CDibImage image;
        HoldSomething(image);
        EXPECT_FALSE(Read(image, MakeBmp(bmp))) << what;
        ExpectEmpty(image);
    };
    BmpFields bmp;
    bmp.magic = 0x4D43;
    refused(bmp, "wrong magic");
    for (std::uint16_t bits : {0, 2, 4, 16, 32, 48}) {
        bmp = {};
        bmp.bitCount = bits;
        bmp.tableEntries = bits == 4 ? 16 : 0;
        refused(bmp, "another bit count");
    }
    bmp = {};
    bmp.bitCount = 8;
    bmp.tableEntries = 256;
    bmp.compression = 1; // run-length encoded
    refused(bmp, "compressed");
    bmp = {};
    bmp.headerSize = 12; // a core header is not a Windows bitmap header
    refused(bmp, "core header");
    bmp = {};
    bmp.height = -3;
    refused(bmp, "top-down");
    bmp = {};
    bmp.width = 0;
    refused(bmp, "zero width");
    bmp = {};
    bmp.width = -5;
    refused(bmp, "negative width");
    bmp = {};
    bmp.height = 0;
    refused(bmp, "zero height");
}

TEST(DibImageReadBitmapFile, FilesCutShortAreRefused) {
    BmpFields bmp;
    bmp.bitCount = 8;
    bmp.tableEntries = 256;
    const Bytes whole = MakeBmp(bmp);
    // In the file header, the info header, the table and the rows.
    for (std::size_t length :
         {std::size_t{0}, std::size_t{10}, std::size_t{14}, std::size_t{40}, std::size_t{54},
          std::size_t{54 + 500}, std::size_t{54 + 1024}, whole.size() - 1}) {
        CDibImage image;
        HoldSomething(image);
        EXPECT_FALSE(Read(image, Bytes(whole.begin(), whole.begin() + static_cast<long>(length))))
            << length << " bytes";
        ExpectEmpty(image);
    }
    CDibImage image;
    EXPECT_TRUE(Read(image, whole));
}

TEST(DibImageReadBitmapFile, SizesThatOverflowOrThatTheFileCannotHoldAreRefused) {
    struct Case {
        std::int32_t width;
        std::int32_t height;
        std::uint16_t bits;
    };
    // Stride x height wraps around 32 bits; or is huge but fits, with a file of a few rows.
    for (Case c : {Case{0x40000000, 0x40000000, 24}, Case{0x7FFFFFFF, 3, 24}, Case{65536, 65537, 8},
                   Case{0x7FFFFFFF, 0x7FFFFFFF, 1}, Case{30000, 30000, 24}, Case{1000, 1000000, 1}}) {
        BmpFields bmp;
        bmp.width = c.width;
        bmp.height = c.height;
        bmp.bitCount = c.bits;
        bmp.tableEntries = c.bits == 24 ? 0 : (c.bits == 1 ? 2 : 256);
        bmp.pixelBytes = 4096;
        CDibImage image;
        EXPECT_FALSE(Read(image, MakeBmp(bmp))) << c.width << " x " << c.height;
        ExpectEmpty(image);
    }
    // A pixel offset beyond the end of the file, or wrapping around.
    for (std::uint32_t offset : {100000u, 0xFFFFFFF0u}) {
        BmpFields bmp;
        bmp.pixelOffset = 54;
        Bytes bytes = MakeBmp(bmp);
        bytes[10] = static_cast<std::uint8_t>(offset);
        bytes[11] = static_cast<std::uint8_t>(offset >> 8);
        bytes[12] = static_cast<std::uint8_t>(offset >> 16);
        bytes[13] = static_cast<std::uint8_t>(offset >> 24);
        CDibImage image;
        EXPECT_FALSE(Read(image, bytes, 5)) << offset;
        ExpectEmpty(image);
    }
}

TEST(DibImageReadBitmapFile, NoFileIsRefused) {
    CDibImage image;
    EXPECT_FALSE(image.ReadBitmapFile(nullptr));
    ExpectEmpty(image);
}

TEST(DibImageLoadPackedDib, CopiesHeaderTableAndRows) {
    for (std::uint16_t bits : {1, 4, 8, 24, 32}) {
        const std::uint32_t entries = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
        BmpFields bmp;
        bmp.width = 9;
        bmp.height = 4;
        bmp.bitCount = bits;
        bmp.tableEntries = entries;
        const Bytes file = MakeBmp(bmp);
        const Bytes packed(file.begin() + 14, file.end());
        CDibImage image;
        ASSERT_TRUE(image.LoadPackedDib(packed.data(), packed.size())) << bits << " bits";
        EXPECT_EQ(image.GetBitCount(), bits);
        EXPECT_EQ(std::memcmp(image.Header(), packed.data(), 32), 0);
        if (entries > 0) {
            EXPECT_EQ(std::memcmp(image.ColourTable(), packed.data() + 40, 4 * entries), 0);
        }
        EXPECT_EQ(std::memcmp(image.Pixels(), packed.data() + 40 + 4 * entries, image.GetImageSize()), 0);

        // One byte short of the rows.
        EXPECT_FALSE(image.LoadPackedDib(packed.data(), packed.size() - 1)) << bits << " bits";
        ExpectEmpty(image);
    }
}

TEST(DibImageLoadPackedDib, RefusesDamagedHeaders) {
    BmpFields bmp;
    const Bytes file = MakeBmp(bmp);
    Bytes packed(file.begin() + 14, file.end());
    CDibImage image;
    EXPECT_FALSE(image.LoadPackedDib(nullptr, 100));
    EXPECT_FALSE(image.LoadPackedDib(packed.data(), 39));
    Bytes damaged = packed;
    damaged[16] = 3; // BI_BITFIELDS
    EXPECT_FALSE(image.LoadPackedDib(damaged.data(), damaged.size()));
    damaged = packed;
    damaged[14] = 7; // 7 bits per pixel
    EXPECT_FALSE(image.LoadPackedDib(damaged.data(), damaged.size()));
    damaged = packed;
    damaged[4] = damaged[5] = damaged[6] = damaged[7] = 0xFF; // width -1
    EXPECT_FALSE(image.LoadPackedDib(damaged.data(), damaged.size()));
    damaged = packed;
    damaged[0] = 124; // a header longer than the block
    EXPECT_FALSE(image.LoadPackedDib(damaged.data(), damaged.size()));
    ExpectEmpty(image);
}
