// The PNG codec against the real imaging component: pictures with transparency, a palette and 16-bit
// samples decoded to what they hold, transparent pixels over black; hostile and damaged files refused
// before anything is decoded, by their header or once their chunks are walked.

#include "display/PngCodec.h"
#include "tests/support/WineTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool ReadSample(const std::string& name, CPictureBytes& bytes) {
    const std::string path = testing_support::PathBesideTest("png-samples\\" + name);
    return ReadPngPictureFile(std::wstring(path.begin(), path.end()).c_str(), bytes);
}

} // namespace

TEST(PngCodec, PicturesDecodeToWhatTheyHoldAndHostileOnesAreRefused) {
    // palette.png's columns 0-15 are white but transparent, 16-31 red; rgba16-interlaced.png is
    // opaque in column 0 and three quarters opaque in column 32. Pixels as 0xRRGGBB.
    const std::pair<std::string, std::vector<std::array<std::uint32_t, 3>>> cases[] = {
        {"palette.png", {{0, 0, 0x000000}, {16, 5, 0xFF0000}}},
        {"rgba16-interlaced.png", {{0, 5, 0x00289C}, {32, 2, 0x600C75}}}};
    for (const auto& [name, probes] : cases) {
        const auto holdsProbes = [&](CPictureSize size, CRowSource& rows) {
            std::vector<std::uint8_t> pixels(3 * std::size_t{size.width} * size.height);
            const bool read = rows.ReadRows(0, size.height, pixels.data(), 3 * std::size_t{size.width});
            for (const auto& [x, y, rgb] : probes) {
                const std::uint8_t* at = &pixels[3 * (std::size_t{y} * size.width + x)];
                EXPECT_TRUE(read && std::abs(at[0] - int(rgb & 0xFF)) <= 2 &&
                            std::abs(at[1] - int(rgb >> 8 & 0xFF)) <= 2 &&
                            std::abs(at[2] - int(rgb >> 16)) <= 2)
                    << name << " (" << x << ", " << y << ")";
            }
            return true;
        };
        CPictureBytes bytes;
        EXPECT_TRUE(ReadSample(name, bytes) && DecodePngRows(bytes.Span(), holdsProbes)) << name;
    }
    for (const char* refused : {"sparse.png", "huge.png", "truncated.png", "bad-crc.png"}) {
        CPictureBytes bytes;
        EXPECT_FALSE(ReadSample(refused, bytes)) << refused;
    }
}
