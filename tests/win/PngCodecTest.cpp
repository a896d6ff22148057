// The PNG codec against the real imaging component: pictures with transparency, a palette and 16-bit
// samples decoded to what they hold, transparent pixels over black; hostile and damaged files refused
// before anything is decoded, by their header or once their chunks are walked.

#include "display/CodecRuntime.h"
#include "display/PictureFile.h"
#include "display/PngCodec.h"
#include "framework/Handles.h"
#include "tests/win/DisplayTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string SamplePath(const std::string& name) {
    return testing_support::PathBesideTest("png-samples\\" + name);
}

CPictureResult ReadSample(const std::string& name, CPictureBytes& bytes) {
    return ReadPngPictureFile(Widen(SamplePath(name).c_str()).c_str(), bytes);
}

// The pixel (x, y) of a 24-bit eye as 0xRRGGBB.
std::uint32_t PixelAt(const CDibImage& eye, int x, int y) {
    const std::uint8_t* at = eye.RowFromTop(y) + 3 * x;
    return std::uint32_t{at[2]} << 16 | std::uint32_t{at[1]} << 8 | at[0];
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
        EXPECT_TRUE(ReadSample(name, bytes) == CPictureResult::kMade &&
                    DecodePngRows(bytes.Span(), holdsProbes) == CPictureResult::kMade)
            << name;
    }
    // What a refusal says decides whether the viewer tries the file again (PictureTypes.h); the .pns
    // copy of rgb.png (a 64 x 32 side-by-side picture, pixel (x, y) red x * 4, green y * 8, blue 60
    // on the left and 200 on the right) opens as a .jps does, exactly; under a .jps name it is no JPEG.
    display_testing::CTempDirectory temp("zelto-png-files");
    for (const char* name : {"pair.pns", "named.jps", "held.png"})
        ASSERT_TRUE(CopyFileA(SamplePath("rgb.png").c_str(), (temp.path() + name).c_str(), FALSE));
    std::ofstream(temp.path() + "empty.png").flush();
    CFileHandle holder(
        CreateFileA((temp.path() + "held.png").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const std::pair<std::string, CPictureResult> refusals[] = {
        {SamplePath("sparse.png"), CPictureResult::kBeyondBound},
        {SamplePath("huge.png"), CPictureResult::kBeyondBound},
        {SamplePath("truncated.png"), CPictureResult::kDamaged},
        {SamplePath("bad-crc.png"), CPictureResult::kDamaged},
        {SamplePath("bad-deflate.png"), CPictureResult::kDamaged},
        {temp.path() + "empty.png", CPictureResult::kNotAPicture},
        {temp.path() + "held.png", CPictureResult::kPassing},
        {temp.path() + "named.jps", CPictureResult::kNotAPicture},
    };
    const CPictureLayout unscaled{{640, 480}, CEyeScaling::kUnscaled, CEyeChoice::kBoth};
    CStereoPicture eyes;
    for (const auto& [path, expected] : refusals)
        EXPECT_EQ(LoadStereoPicture(Widen(path.c_str()), CPictureKind::kSideBySide, unscaled, eyes), expected)
            << path;
    ASSERT_EQ(LoadStereoPicture(Widen((temp.path() + "pair.pns").c_str()), CPictureKind::kSideBySide,
                                unscaled, eyes),
              CPictureResult::kMade);
    EXPECT_TRUE(eyes.left.GetWidth() == 32 && eyes.right.GetWidth() == 32 && eyes.left.GetHeight() == 32);
    EXPECT_TRUE(PixelAt(eyes.left, 5, 3) == 0x14183C && PixelAt(eyes.right, 5, 3) == 0x9418C8);
}
