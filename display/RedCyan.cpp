#include "display/RedCyan.h"

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// The matrices' entries in units of 1/16384: every product of an 8-bit value and an entry, and the sum
// of six of them, fits 32 bits, and each entry fits the 16 bits of a vector lane.
constexpr int kFractionBits = 14;
constexpr int Fixed(double entry) {
    return static_cast<int>(entry * (1 << kFractionBits) + (entry < 0 ? -0.5 : 0.5));
}
constexpr int kRounding = 1 << (kFractionBits - 1);

// [output channel][input channel], channels in the order blue, green, red of the stored bytes.
constexpr int kLeft[3][3] = {
    {Fixed(-0.005), Fixed(-0.021), Fixed(-0.015)},
    {Fixed(-0.016), Fixed(-0.038), Fixed(-0.040)},
    {Fixed(0.176), Fixed(0.500), Fixed(0.456)},
};
constexpr int kRight[3][3] = {
    {Fixed(1.226), Fixed(-0.113), Fixed(-0.072)},
    {Fixed(-0.018), Fixed(0.734), Fixed(0.378)},
    {Fixed(-0.002), Fixed(-0.088), Fixed(-0.043)},
};

std::uint8_t Channel(int channel, const std::uint8_t* left, const std::uint8_t* right) {
    int sum = kRounding;
    for (int c = 0; c < 3; ++c)
        sum += kLeft[channel][c] * left[c] + kRight[channel][c] * right[c];
    // An arithmetic shift: negative sums round towards minus infinity, as the vector code's do.
    return static_cast<std::uint8_t>(std::clamp(sum >> kFractionBits, 0, 255));
}

void RowPixelByPixel(const std::uint8_t* left, const std::uint8_t* right, std::uint8_t* out,
                     std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, left += 3, right += 3, out += 3)
        for (int channel = 0; channel < 3; ++channel)
            out[channel] = Channel(channel, left, right);
}

#if defined(__x86_64__)

// Four pixels a 128-bit lane. Shuffles gather each pixel's six values in pairs of 16 bits (left blue
// and green; left red and right blue; right green and red), a multiply-add per pair gives each output
// channel's sum, and the saturating packs clamp to 0 to 255.
struct CLaneConstants {
    __m128i leftBlueGreen, leftRed, rightBlue, rightGreenRed, interleave;
    __m128i weights[3][3]; // [output channel][pair]
};

// Two weights in the 16-bit halves of each 32-bit lane, `low` for the pair's first value.
__m128i WeightPair(int low, int high) {
    return _mm_set1_epi32(static_cast<int>((static_cast<unsigned>(high) << 16) | (low & 0xFFFF)));
}

__attribute__((target("ssse3"))) CLaneConstants MakeLaneConstants() {
    CLaneConstants k;
    k.leftBlueGreen = _mm_setr_epi8(0, -1, 1, -1, 3, -1, 4, -1, 6, -1, 7, -1, 9, -1, 10, -1);
    k.leftRed = _mm_setr_epi8(2, -1, -1, -1, 5, -1, -1, -1, 8, -1, -1, -1, 11, -1, -1, -1);
    k.rightBlue = _mm_setr_epi8(-1, -1, 0, -1, -1, -1, 3, -1, -1, -1, 6, -1, -1, -1, 9, -1);
    k.rightGreenRed = _mm_setr_epi8(1, -1, 2, -1, 4, -1, 5, -1, 7, -1, 8, -1, 10, -1, 11, -1);
    // From blue 0-3, green 0-3, red 0-3 to the pixels' bytes; the last four bytes are left zero.
    k.interleave = _mm_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1);
    for (int channel = 0; channel < 3; ++channel) {
        k.weights[channel][0] = WeightPair(kLeft[channel][0], kLeft[channel][1]);
        k.weights[channel][1] = WeightPair(kLeft[channel][2], kRight[channel][0]);
        k.weights[channel][2] = WeightPair(kRight[channel][1], kRight[channel][2]);
    }
    return k;
}

__attribute__((target("ssse3"))) void RowSsse3(const std::uint8_t* left, const std::uint8_t* right,
                                               std::uint8_t* out, std::size_t count) {
    const CLaneConstants k = MakeLaneConstants();
    const __m128i rounding = _mm_set1_epi32(kRounding);
    std::size_t i = 0;
    // Each step reads and writes 16 bytes from the first of its four pixels: 4 bytes beyond them,
    // which must still be the row's.
    for (; i + 6 <= count; i += 4) {
        const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(left + 3 * i));
        const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(right + 3 * i));
        const __m128i pairs[3] = {
            _mm_shuffle_epi8(l, k.leftBlueGreen),
            _mm_or_si128(_mm_shuffle_epi8(l, k.leftRed), _mm_shuffle_epi8(r, k.rightBlue)),
            _mm_shuffle_epi8(r, k.rightGreenRed)};
        __m128i sums[3];
        for (int channel = 0; channel < 3; ++channel) {
            __m128i sum = _mm_add_epi32(_mm_madd_epi16(pairs[0], k.weights[channel][0]), rounding);
            sum = _mm_add_epi32(sum, _mm_madd_epi16(pairs[1], k.weights[channel][1]));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(pairs[2], k.weights[channel][2]));
            sums[channel] = _mm_srai_epi32(sum, kFractionBits);
        }
        const __m128i bytes =
            _mm_packus_epi16(_mm_packs_epi32(sums[0], sums[1]), _mm_packs_epi32(sums[2], sums[2]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * i), _mm_shuffle_epi8(bytes, k.interleave));
    }
    RowPixelByPixel(left + 3 * i, right + 3 * i, out + 3 * i, count - i);
}

// The same with 256-bit vectors: eight pixels a step, four in each 128-bit half.
__attribute__((target("avx2"))) void RowAvx2(const std::uint8_t* left, const std::uint8_t* right,
                                             std::uint8_t* out, std::size_t count) {
    const CLaneConstants k = MakeLaneConstants();
    const __m256i leftBlueGreen = _mm256_broadcastsi128_si256(k.leftBlueGreen);
    const __m256i leftRed = _mm256_broadcastsi128_si256(k.leftRed);
    const __m256i rightBlue = _mm256_broadcastsi128_si256(k.rightBlue);
    const __m256i rightGreenRed = _mm256_broadcastsi128_si256(k.rightGreenRed);
    const __m256i interleave = _mm256_broadcastsi128_si256(k.interleave);
    const __m256i rounding = _mm256_set1_epi32(kRounding);
    __m256i weights[3][3];
    for (int channel = 0; channel < 3; ++channel)
        for (int pair = 0; pair < 3; ++pair)
            weights[channel][pair] = _mm256_broadcastsi128_si256(k.weights[channel][pair]);
    std::size_t i = 0;
    // The upper half reads and writes 16 bytes from the step's fifth pixel.
    for (; i + 10 <= count; i += 8) {
        const __m256i l = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(left + 3 * i + 12),
                                              reinterpret_cast<const __m128i*>(left + 3 * i));
        const __m256i r = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(right + 3 * i + 12),
                                              reinterpret_cast<const __m128i*>(right + 3 * i));
        const __m256i pairs[3] = {
            _mm256_shuffle_epi8(l, leftBlueGreen),
            _mm256_or_si256(_mm256_shuffle_epi8(l, leftRed), _mm256_shuffle_epi8(r, rightBlue)),
            _mm256_shuffle_epi8(r, rightGreenRed)};
        __m256i sums[3];
        for (int channel = 0; channel < 3; ++channel) {
            __m256i sum = _mm256_add_epi32(_mm256_madd_epi16(pairs[0], weights[channel][0]), rounding);
            sum = _mm256_add_epi32(sum, _mm256_madd_epi16(pairs[1], weights[channel][1]));
            sum = _mm256_add_epi32(sum, _mm256_madd_epi16(pairs[2], weights[channel][2]));
            sums[channel] = _mm256_srai_epi32(sum, kFractionBits);
        }
        const __m256i bytes =
            _mm256_packus_epi16(_mm256_packs_epi32(sums[0], sums[1]), _mm256_packs_epi32(sums[2], sums[2]));
        const __m256i pixels = _mm256_shuffle_epi8(bytes, interleave);
        // The lower half first: the upper one's bytes overwrite its four zero bytes.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * i), _mm256_castsi256_si128(pixels));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * i + 12), _mm256_extracti128_si256(pixels, 1));
    }
    RowSsse3(left + 3 * i, right + 3 * i, out + 3 * i, count - i);
}

using CRowFunction = void (*)(const std::uint8_t*, const std::uint8_t*, std::uint8_t*, std::size_t);

CRowFunction FastestRow() {
    static const CRowFunction row = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx2"))
            return &RowAvx2;
        if (__builtin_cpu_supports("ssse3"))
            return &RowSsse3;
        return &RowPixelByPixel;
    }();
    return row;
}

#else

using CRowFunction = void (*)(const std::uint8_t*, const std::uint8_t*, std::uint8_t*, std::size_t);

CRowFunction FastestRow() {
    return &RowPixelByPixel;
}

#endif

} // namespace

CRgbPixel RedCyanPixel(CRgbPixel left, CRgbPixel right) {
    const std::uint8_t l[3] = {left.blue, left.green, left.red};
    const std::uint8_t r[3] = {right.blue, right.green, right.red};
    return {Channel(2, l, r), Channel(1, l, r), Channel(0, l, r)};
}

void RedCyanRow(const std::uint8_t* left, const std::uint8_t* right, std::uint8_t* out, std::size_t count,
                CRedCyanKernel kernel) {
    (kernel == CRedCyanKernel::kFastest ? FastestRow() : &RowPixelByPixel)(left, right, out, count);
}
