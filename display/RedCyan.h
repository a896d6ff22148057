#pragma once
// The red-cyan anaglyph: one picture that shows the left eye's view through a red filter and the right
// eye's through a cyan one, for anyone with a pair of red-cyan glasses and no stereo controller. Each
// pixel is made from the two eyes' pixels at the same place by the least-squares projection of
// E. Dubois, "A projection method to generate anaglyph stereo images", Proc. IEEE ICASSP 2001,
// vol. 3, pp. 1661-1664, with the red-cyan matrices that the author published for it:
//
//   red, green, blue = L x (left red, green, blue) + R x (right red, green, blue), clamped to 0 to 255
//
//         |  0.456  0.500  0.176 |        | -0.043 -0.088 -0.002 |
//     L = | -0.040 -0.038 -0.016 |    R = |  0.378  0.734 -0.018 |
//         | -0.015 -0.021 -0.005 |        | -0.072 -0.113  1.226 |
//
// applied to the stored (gamma-encoded) values, as the author's own instructions apply them. Plain
// code, free of Windows headers.

#include <cstddef>
#include <cstdint>

struct CRgbPixel {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(const CRgbPixel&, const CRgbPixel&) = default;
};

// The anaglyph's pixel for the pixels `left` and `right` of the two eyes, each channel rounded to the
// nearest whole value (the products are taken to 1/16384).
CRgbPixel RedCyanPixel(CRgbPixel left, CRgbPixel right);

// How RedCyanRow computes: with the processor's vector instructions where it has them, or pixel by
// pixel. Both give exactly RedCyanPixel's values.
enum class CRedCyanKernel { kFastest, kPixelByPixel };

// Writes `count` anaglyph pixels to `out` from `count` pixels of each eye: blue, green, red bytes, 3
// to a pixel, as 24-bit bitmaps store them. Writes nothing outside the `count` pixels of `out`; `out`
// may not overlap the eyes.
void RedCyanRow(const std::uint8_t* left, const std::uint8_t* right, std::uint8_t* out, std::size_t count,
                CRedCyanKernel kernel = CRedCyanKernel::kFastest);
