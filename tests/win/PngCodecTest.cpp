// The PNG codec against the real imaging component: the samples of every colour type decoded to what
// they hold, transparent pixels over black, and the hostile and damaged samples refused before anything
// is decoded.

#include "display/PngCodec.h"
#include "tests/support/WineTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

TEST(PngCodec, TheSamplesDecodeToWhatTheyHoldAndHostileOnesAreRefused) {
    struct Probe {
        std::uint32_t x, y;
        COLORREF colour;
    };
    struct Case {
        const char* name;
        std::vector<Probe> probes; // none: refused
    };
    const Case cases[] = {
        {"rgb.png", {{0, 0, RGB(0, 0, 60)}, {40, 3, RGB(160, 24, 200)}, {63, 31, RGB(252, 248, 200)}}},
        {"grey1.png", {{0, 0, RGB(0, 0, 0)}, {4, 0, RGB(255, 255, 255)}, {0, 1, RGB(255, 255, 255)}}},
        // White but transparent shows black; then red, cyan, black.
        {"palette.png",
         {{0, 0, RGB(0, 0, 0)}, {16, 5, RGB(255, 0, 0)}, {32, 5, RGB(0, 255, 255)}, {63, 5, 0}}},
        // Opaque in column 0; in column 32 three quarters opaque, so three quarters of the colour.
        {"rgba16-interlaced.png", {{0, 5, RGB(0, 40, 156)}, {32, 2, RGB(96, 12, 117)}}},
        {"sparse.png", {}},
        {"huge.png", {}},
        {"oversized-wide.png", {}},
        {"truncated.png", {}},
        {"bad-crc.png", {}},
    };
    for (const Case& c : cases) {
        const std::string path = testing_support::PathBesideTest(std::string("png-samples\\") + c.name);
        CPictureBytes bytes;
        const bool read = ReadPngPictureFile(std::wstring(path.begin(), path.end()).c_str(), bytes);
        ASSERT_EQ(read, !c.probes.empty()) << c.name;
        const bool decoded =
            read && DecodePngRows(bytes.Span(), [&](CPictureSize size, CRowSource& rows) {
                std::vector<std::uint8_t> pixels(3 * std::size_t{size.width} * size.height);
                if (!rows.ReadRows(0, size.height, pixels.data(), 3 * std::size_t{size.width}))
                    return false;
                for (const Probe& p : c.probes) {
                    const std::uint8_t* pixel = &pixels[3 * (std::size_t{p.y} * size.width + p.x)];
                    const int want[3] = {GetBValue(p.colour), GetGValue(p.colour), GetRValue(p.colour)};
                    for (int i = 0; i < 3; ++i)
                        EXPECT_LE(std::abs(pixel[i] - want[i]), 2)
                            << c.name << " (" << p.x << ", " << p.y << ")";
                }
                return true;
            });
        EXPECT_EQ(decoded, read) << c.name;
    }
}
