// The PNG codec against the real imaging component: pictures with transparency, a palette and 16-bit
// samples decoded to what they hold, transparent pixels over black; hostile and damaged files refused
// before anything is decoded, by their header or once their chunks are walked.

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

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

std::string SamplePath(const std::string& name) {
    return testing_support::PathBesideTest("png-samples\\" + name);
}

CPictureResult ReadSample(const std::string& name, CPictureBytes& bytes) {
    return ReadPngPictureFile(Wide(SamplePath(name)).c_str(), bytes);
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
    // What a refusal says decides whether the viewer tries the file again (PictureTypes.h).
    display_testing::CTempDirectory temp("zelto-png-refused");
    const std::string empty = temp.path() + "empty.png";
    const std::string text = temp.path() + "text.png";
    const std::string held = temp.path() + "held.png";
    std::ofstream(empty, std::ios::binary).flush();
    std::ofstream(text, std::ios::binary) << "not a picture at all, only some words";
    CopyFileA(SamplePath("rgb.png").c_str(), held.c_str(), FALSE);
    CFileHandle holder(CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const std::pair<std::string, CPictureResult> refusals[] = {
        {SamplePath("sparse.png"), CPictureResult::kBeyondBound},
        {SamplePath("huge.png"), CPictureResult::kBeyondBound},
        {SamplePath("truncated.png"), CPictureResult::kDamaged},
        {SamplePath("bad-crc.png"), CPictureResult::kDamaged},
        {empty, CPictureResult::kNotAPicture},
        {text, CPictureResult::kNotAPicture},
        {held, CPictureResult::kPassing},
        {temp.path() + "missing.png", CPictureResult::kPassing},
    };
    for (const auto& [path, expected] : refusals) {
        CPictureBytes bytes;
        EXPECT_EQ(ReadPngPictureFile(Wide(path).c_str(), bytes), expected) << path;
        EXPECT_EQ(bytes.size, 0u) << path;
    }
}

TEST(PngCodec, PnsAndPngFilesOpenAsTheirJpegKindsDo) {
    // rgb.png is a 64 x 32 side-by-side picture: pixel (x, y) is red x * 4, green y * 8, blue 60 in the
    // left half and 200 in the right, kept exactly.
    display_testing::CTempDirectory temp("zelto-png-kinds");
    for (const char* name : {"pair.pns", "flat.png", "named.jps"})
        ASSERT_TRUE(CopyFileA(SamplePath("rgb.png").c_str(), (temp.path() + name).c_str(), FALSE));
    const CPictureLayout unscaled{{640, 480}, CEyeScaling::kUnscaled, CEyeChoice::kBoth};
    CStereoPicture eyes;
    ASSERT_EQ(LoadStereoPicture(Wide(temp.path() + "pair.pns"), CPictureKind::kSideBySide, unscaled, eyes),
              CPictureResult::kMade);
    EXPECT_TRUE(eyes.left.GetWidth() == 32 && eyes.right.GetWidth() == 32 && eyes.left.GetHeight() == 32);
    EXPECT_EQ(PixelAt(eyes.left, 5, 3), 0x14183Cu);
    EXPECT_EQ(PixelAt(eyes.right, 5, 3), 0x9418C8u);

    ASSERT_EQ(LoadStereoPicture(Wide(temp.path() + "flat.png"), CPictureKind::kFlat,
                                {{16, 16}, CEyeScaling::kFitted, CEyeChoice::kLeft}, eyes),
              CPictureResult::kMade);
    EXPECT_TRUE(eyes.left.GetWidth() == 16 && eyes.left.GetHeight() == 8 && eyes.right.IsEmpty());

    // A file is read as the coding its name says: PNG bytes are no JPEG picture.
    EXPECT_EQ(LoadStereoPicture(Wide(temp.path() + "named.jps"), CPictureKind::kSideBySide, unscaled, eyes),
              CPictureResult::kNotAPicture);
}
