// The JPEG codec against the real imaging component: pictures encoded and decoded again, damaged and
// foreign files, and the caller's COM apartment left as it was.

#include "display/DibLayout.h"
#include "display/JpegCodec.h"
#include "framework/Handles.h"
#include "tests/support/WineTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace testing_support;

namespace {

// A packed DIB of `bitCount` bits (24 or 8) whose pixel (x, y), y from the top, is `colour(x, y)`
// (an 8-bit DIB gets a grey table and the colour's blue byte as index).
template <typename Colour> HGLOBAL MakeDib(int width, int height, int bitCount, Colour colour) {
    CDibLayout layout;
    if (!DibLayoutOf(width, height, bitCount, layout))
        return nullptr;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, layout.headerBytes + layout.imageBytes);
    auto* bytes = static_cast<BYTE*>(GlobalLock(memory));
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(bytes);
    header->biSize = 40;
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(bitCount);
    header->biCompression = BI_RGB;
    header->biSizeImage = layout.imageBytes;
    auto* table = reinterpret_cast<RGBQUAD*>(bytes + 40);
    for (UINT i = 0; i < layout.tableEntries; ++i)
        table[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
    BYTE* rows = bytes + layout.headerBytes;
    for (int y = 0; y < height; ++y) {
        BYTE* row = rows + static_cast<size_t>(height - 1 - y) * layout.stride;
        for (int x = 0; x < width; ++x) {
            COLORREF c = colour(x, y);
            if (bitCount == 8) {
                row[x] = GetBValue(c);
            } else {
                row[3 * x] = GetBValue(c);
                row[3 * x + 1] = GetGValue(c);
                row[3 * x + 2] = GetRValue(c);
            }
        }
    }
    GlobalUnlock(memory);
    return memory;
}

// The largest difference of one colour channel between the picture and `colour(x, y)`.
template <typename Colour> int LargestDifference(HGLOBAL dib, Colour colour) {
    CGlobalLock<const BYTE> lock(dib);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(lock.get());
    CDibLayout layout;
    DibLayoutOf(header->biWidth, header->biHeight, header->biBitCount, layout);
    const BYTE* rows = lock.get() + layout.headerBytes;
    int worst = 0;
    for (int y = 0; y < header->biHeight; ++y) {
        const BYTE* row = rows + static_cast<size_t>(header->biHeight - 1 - y) * layout.stride;
        for (int x = 0; x < header->biWidth; ++x) {
            COLORREF c = colour(x, y);
            worst =
                std::max({worst, std::abs(row[3 * x] - GetBValue(c)), std::abs(row[3 * x + 1] - GetGValue(c)),
                          std::abs(row[3 * x + 2] - GetRValue(c))});
        }
    }
    return worst;
}

class JpegCodec : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        directory = std::string(temp) + "zelto-codec-test\\";
        CreateDirectoryA(directory.c_str(), nullptr);
    }
    void TearDown() override {
        for (const char* name :
             {"a.jpg", "b.jps", "empty.jpg", "bmp.jpg", "cut.jpg", "grey.jpg", "bad.jpg"}) {
            DeleteFileA((directory + name).c_str());
            DeleteFileA((directory + name + ".part").c_str());
        }
        RemoveDirectoryA(directory.c_str());
    }
    static void WriteFile(const std::string& path, const std::string& bytes) {
        FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    static std::string ReadFile(const std::string& path) {
        std::string bytes;
        if (FILE* file = std::fopen(path.c_str(), "rb")) {
            char buffer[4096];
            size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
                bytes.append(buffer, n);
            std::fclose(file);
        }
        return bytes;
    }

    std::string directory;
};

// Smooth areas survive near-lossless coding almost unchanged.
COLORREF Smooth(int x, int y) {
    return RGB((x * 255) / 319, (y * 255) / 199, 128);
}

} // namespace

TEST_F(JpegCodec, ReadinessAnswersTheMaskAsked) {
    EXPECT_EQ(CheckCodecModules(kCodecModules), kCodecModules);
    EXPECT_EQ(LoadCodecModules(kCodecModules), kCodecModules);
    UnloadCodecModules(kCodecModules);
}

TEST_F(JpegCodec, APictureComesBackAlmostUnchanged) {
    CGlobalMemory dib(MakeDib(320, 200, 24, Smooth));
    ASSERT_TRUE(dib);
    const std::string path = directory + "a.jpg";
    // Somebody else's file of a name like a partial picture's is no business of the codec's.
    WriteFile(path + ".part", "theirs");
    ASSERT_TRUE(EncodeJpegFile(dib, path.c_str()));
    EXPECT_EQ(ReadFile(path).substr(0, 3), std::string("\xFF\xD8\xFF", 3)) << "not a JPEG file";
    EXPECT_EQ(ReadFile(path + ".part"), "theirs");
    // Nothing else is left beside the picture.
    int files = 0;
    WIN32_FIND_DATAA found;
    CFindHandle search(FindFirstFileA((directory + "*").c_str(), &found));
    for (bool more = static_cast<bool>(search); more; more = FindNextFileA(search, &found) != FALSE)
        files += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ? 1 : 0;
    EXPECT_EQ(files, 2);

    CGlobalMemory decoded(DecodeJpegFile(path.c_str()));
    ASSERT_TRUE(decoded);
    {
        CGlobalLock<const BITMAPINFOHEADER> header(decoded);
        EXPECT_EQ(header.get()->biWidth, 320);
        EXPECT_EQ(header.get()->biHeight, 200); // rows bottom-up
        EXPECT_EQ(header.get()->biBitCount, 24);
        EXPECT_EQ(GlobalSize(decoded), 40u + 960u * 200u);
    }
    EXPECT_LE(LargestDifference(decoded.get(), Smooth), 6);
}

TEST_F(JpegCodec, TheTopRowStaysOnTopAndOddSizesRoundTrip) {
    // Top half red, bottom half blue: a flipped picture would swap them.
    auto halves = [](int, int y) { return y < 61 ? RGB(220, 20, 20) : RGB(20, 20, 220); };
    CGlobalMemory dib(MakeDib(97, 123, 24, halves));
    const std::string path = directory + "b.jps";
    ASSERT_TRUE(EncodeJpegFile(dib, path.c_str()));
    CGlobalMemory decoded(DecodeJpegFile(path.c_str()));
    ASSERT_TRUE(decoded);
    CGlobalLock<const BYTE> lock(decoded);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(lock.get());
    ASSERT_EQ(header->biWidth, 97);
    ASSERT_EQ(header->biHeight, 123);
    const BYTE* bottomRow = lock.get() + 40;
    const BYTE* topRow = bottomRow + static_cast<size_t>(122) * ((97 * 3 + 3) & ~3);
    EXPECT_GT(topRow[2], 150);    // red
    EXPECT_GT(bottomRow[0], 150); // blue
}

TEST_F(JpegCodec, RowsGoThroughTheCallersHandleBandByBand) {
    // Top half red, bottom half blue, handed over in bands of 10 rows from the top.
    const int width = 97, height = 123, stride = 3 * 97 + 1;
    std::vector<BYTE> rows(static_cast<size_t>(stride) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::memcpy(&rows[static_cast<size_t>(y) * stride + 3 * x],
                        y < 61 ? "\x14\x14\xDC" : "\xDC\x14\x14", 3);
    const std::string path = directory + "b.jps";
    {
        CFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        CJpegRowEncoder encoder;
        ASSERT_TRUE(encoder.Begin(file, width, height));
        for (int y = 0; y < height; y += 10)
            ASSERT_TRUE(
                encoder.WriteRows(&rows[static_cast<size_t>(y) * stride], std::min(10, height - y), stride));
        EXPECT_FALSE(encoder.WriteRows(rows.data(), 1, stride)) << "a row beyond the picture";
        ASSERT_TRUE(encoder.Finish());
    }
    CGlobalMemory decoded(DecodeJpegFile(path.c_str()));
    ASSERT_TRUE(decoded);
    {
        CGlobalLock<const BYTE> lock(decoded);
        const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(lock.get());
        ASSERT_EQ(header->biWidth, width);
        ASSERT_EQ(header->biHeight, height);
        for (int y : {0, 40, 80, 122}) {
            const BYTE* pixel =
                lock.get() + 40 + static_cast<size_t>(height - 1 - y) * ((97 * 3 + 3) & ~3) + 3 * 48;
            EXPECT_GT(pixel[y < 61 ? 2 : 0], 150) << "row " << y;
            EXPECT_LT(pixel[y < 61 ? 0 : 2], 100) << "row " << y;
        }
    }
    // A handle that cannot write: the picture fails when its bytes reach the file, at the latest when it
    // is finished.
    CFileHandle readOnly(
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    CJpegRowEncoder encoder;
    bool written = encoder.Begin(readOnly, width, height);
    for (int y = 0; written && y < height; y += 10)
        written = encoder.WriteRows(&rows[static_cast<size_t>(y) * stride], std::min(10, height - y), stride);
    EXPECT_FALSE(written && encoder.Finish());
}

TEST_F(JpegCodec, PalettedPicturesAreEncodedInColour) {
    auto grey = [](int x, int) { return RGB(x, x, x); };
    CGlobalMemory dib(MakeDib(200, 20, 8, grey));
    const std::string path = directory + "grey.jpg";
    ASSERT_TRUE(EncodeJpegFile(dib, path.c_str()));
    CGlobalMemory decoded(DecodeJpegFile(path.c_str()));
    ASSERT_TRUE(decoded);
    EXPECT_LE(LargestDifference(decoded.get(), grey), 6);
}

TEST_F(JpegCodec, FilesThatAreNoJpegAreRefused) {
    EXPECT_EQ(DecodeJpegFile((directory + "missing.jpg").c_str()), nullptr);
    WriteFile(directory + "empty.jpg", "");
    EXPECT_EQ(DecodeJpegFile((directory + "empty.jpg").c_str()), nullptr);
    WriteFile(directory + "bad.jpg", std::string(5000, 'x'));
    EXPECT_EQ(DecodeJpegFile((directory + "bad.jpg").c_str()), nullptr);
    // A bitmap file dressed up as a JPEG.
    std::string bmp = "BM";
    bmp += std::string(52, '\0');
    bmp[10] = 54;
    bmp[14] = 40;
    bmp[18] = 1;
    bmp[22] = 1;
    bmp[26] = 1;
    bmp[28] = 24;
    bmp += std::string(4, '\x7f');
    WriteFile(directory + "bmp.jpg", bmp);
    EXPECT_EQ(DecodeJpegFile((directory + "bmp.jpg").c_str()), nullptr);
    // A real JPEG cut short.
    CGlobalMemory dib(MakeDib(320, 200, 24, Smooth));
    ASSERT_TRUE(EncodeJpegFile(dib, (directory + "a.jpg").c_str()));
    WriteFile(directory + "cut.jpg", ReadFile(directory + "a.jpg").substr(0, 300));
    HGLOBAL cut = DecodeJpegFile((directory + "cut.jpg").c_str());
    if (cut)
        GlobalFree(cut); // a decoder may fill the missing rows; it must not crash or fail the process
    EXPECT_EQ(DecodeJpegFile(nullptr), nullptr);
}

TEST_F(JpegCodec, BadPicturesAreNotEncodedAndTheTargetKeepsItsContent) {
    const std::string path = directory + "a.jpg";
    WriteFile(path, "kept");
    CGlobalMemory dib(MakeDib(16, 16, 24, Smooth));
    {
        CGlobalLock<BITMAPINFOHEADER> header(dib);
        header.get()->biWidth = 100000; // larger than the memory holds
    }
    EXPECT_FALSE(EncodeJpegFile(dib, path.c_str()));
    {
        CGlobalLock<BITMAPINFOHEADER> header(dib);
        header.get()->biWidth = 16;
        header.get()->biBitCount = 16;
    }
    EXPECT_FALSE(EncodeJpegFile(dib, path.c_str()));
    EXPECT_EQ(ReadFile(path), "kept");
    EXPECT_FALSE(EncodeJpegFile(nullptr, path.c_str()));
    // A directory that does not exist.
    {
        CGlobalLock<BITMAPINFOHEADER> header(dib);
        header.get()->biBitCount = 24;
    }
    EXPECT_FALSE(EncodeJpegFile(dib, (directory + "no\\such\\dir\\x.jpg").c_str()));
}

TEST_F(JpegCodec, TheCallersApartmentIsLeftAsItWas) {
    CGlobalMemory dib(MakeDib(32, 32, 24, Smooth));
    const std::string path = directory + "a.jpg";
    // A thread without COM: it has none afterwards either, so it may still choose the free-threaded one.
    ASSERT_TRUE(EncodeJpegFile(dib, path.c_str()));
    CGlobalMemory decoded(DecodeJpegFile(path.c_str()));
    ASSERT_TRUE(decoded);
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    // A free-threaded caller: the codec works there too and does not leave the apartment.
    CGlobalMemory again(DecodeJpegFile(path.c_str()));
    EXPECT_TRUE(again);
    EXPECT_TRUE(EncodeJpegFile(dib, path.c_str()));
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
}

TEST_F(JpegCodec, NoGdiObjectOrMemoryHandleIsLeft) {
    CGlobalMemory dib(MakeDib(64, 48, 24, Smooth));
    const std::string path = directory + "a.jpg";
    ASSERT_TRUE(EncodeJpegFile(dib, path.c_str()));
    CGlobalMemory first(DecodeJpegFile(path.c_str()));
    int gdi = CountGdiObjects();
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(EncodeJpegFile(dib, path.c_str()));
        CGlobalMemory decoded(DecodeJpegFile(path.c_str()));
        ASSERT_TRUE(decoded);
    }
    DWORD handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    EXPECT_EQ(CountGdiObjects(), gdi);
    EXPECT_LE(handlesAfter, handles + 2);
}
