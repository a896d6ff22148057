#include "display/PictureScaler.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

// Weights are fixed-point numbers with kWeightBits fractional bits; the weights of one output pixel
// add up to kWeightOne.
constexpr unsigned kWeightBits = 14;
constexpr std::uint32_t kWeightOne = 1u << kWeightBits;
// Source rows read at a time beyond those that one output row needs.
constexpr std::uint32_t kBandRows = 16;

// Along one direction, for each output pixel: the first source pixel it takes and the weights of that
// one and of those after it (weights[start[i]] to weights[start[i + 1] - 1]).
struct CAxis {
    std::vector<std::uint32_t> first;
    std::vector<std::uint32_t> start;
    std::vector<std::uint16_t> weights;
    std::uint32_t maxTaps = 0;
    bool copies = false;

    std::uint32_t Taps(std::uint32_t i) const { return start[i + 1] - start[i]; }
};

CAxis MakeAxis(std::uint32_t in, std::uint32_t out) {
    CAxis axis;
    axis.copies = in == out;
    axis.first.resize(out);
    axis.start.resize(out + 1);
    for (std::uint32_t i = 0; i < out; ++i) {
        axis.start[i] = static_cast<std::uint32_t>(axis.weights.size());
        if (in == out) {
            axis.first[i] = i;
            axis.weights.push_back(kWeightOne);
        } else if (out < in) {
            // Output pixel i covers [i * in, (i + 1) * in) and source pixel j [j * out, (j + 1) * out),
            // both in units of 1 / out source pixels.
            const std::uint64_t from = std::uint64_t{i} * in;
            const std::uint64_t to = from + in;
            const auto firstSource = static_cast<std::uint32_t>(from / out);
            const auto lastSource = static_cast<std::uint32_t>((to - 1) / out);
            axis.first[i] = firstSource;
            const std::size_t begin = axis.weights.size();
            std::uint32_t sum = 0;
            for (std::uint32_t j = firstSource; j <= lastSource; ++j) {
                const std::uint64_t overlap =
                    std::min(to, std::uint64_t{j + 1} * out) - std::max(from, std::uint64_t{j} * out);
                const auto weight = static_cast<std::uint16_t>((overlap * kWeightOne + in / 2) / in);
                axis.weights.push_back(weight);
                sum += weight;
            }
            // Rounding: the largest weight takes up what the sum misses or exceeds.
            const auto largest = std::max_element(axis.weights.begin() + static_cast<std::ptrdiff_t>(begin),
                                                  axis.weights.end());
            *largest = static_cast<std::uint16_t>(*largest + kWeightOne - sum);
        } else {
            // The centre of output pixel i lies at ((2i + 1) * in - out) / (2 * out) source pixels.
            const std::int64_t centre = (2 * std::int64_t{i} + 1) * in - out;
            const std::int64_t unit = 2 * std::int64_t{out};
            const std::int64_t below = centre / unit;
            if (centre <= 0 || below >= in - 1) {
                axis.first[i] = centre <= 0 ? 0 : in - 1;
                axis.weights.push_back(kWeightOne);
            } else {
                const auto next =
                    static_cast<std::uint16_t>(((centre % unit) * kWeightOne + unit / 2) / unit);
                axis.first[i] = static_cast<std::uint32_t>(below);
                axis.weights.push_back(static_cast<std::uint16_t>(kWeightOne - next));
                axis.weights.push_back(next);
            }
        }
        axis.maxTaps =
            std::max(axis.maxTaps, static_cast<std::uint32_t>(axis.weights.size()) - axis.start[i]);
    }
    axis.start[out] = static_cast<std::uint32_t>(axis.weights.size());
    return axis;
}

// Resamples the pixels `left` on of `line` along `axis` into the 24-bit `out`. `line` holds either
// plain bytes (Sample = std::uint8_t, scale 0) or sums weighted down the rows (std::uint32_t, scale
// kWeightBits).
template <typename Sample>
void ResampleLine(const Sample* line, unsigned scale, const CAxis& axis, std::uint32_t left,
                  std::uint8_t* out) {
    const unsigned shift = kWeightBits + scale;
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    const std::size_t outputs = axis.first.size();
    for (std::size_t i = 0; i < outputs; ++i) {
        const Sample* pixel = line + 3 * (std::size_t{left} + axis.first[i]);
        const std::uint16_t* weight = axis.weights.data() + axis.start[i];
        std::uint64_t blue = 0;
        std::uint64_t green = 0;
        std::uint64_t red = 0;
        for (std::uint32_t tap = 0, taps = axis.Taps(static_cast<std::uint32_t>(i)); tap < taps; ++tap) {
            blue += std::uint64_t{weight[tap]} * pixel[3 * tap];
            green += std::uint64_t{weight[tap]} * pixel[3 * tap + 1];
            red += std::uint64_t{weight[tap]} * pixel[3 * tap + 2];
        }
        out[3 * i] = static_cast<std::uint8_t>((blue + half) >> shift);
        out[3 * i + 1] = static_cast<std::uint8_t>((green + half) >> shift);
        out[3 * i + 2] = static_cast<std::uint8_t>((red + half) >> shift);
    }
}

// The source rows that the output row being made needs, read a band at a time.
class CRowBand {
public:
    CRowBand(CRowSource& source, std::size_t rowBytes, std::uint32_t sourceRows, std::uint32_t capacity)
        : m_source(source), m_rowBytes(rowBytes), m_sourceRows(sourceRows), m_capacity(capacity),
          m_bytes(rowBytes * capacity) {}

    // Rows [first, first + count) in the band; null when the source fails.
    const std::uint8_t* Hold(std::uint32_t first, std::uint32_t count) {
        if (first + count > m_first + m_count) {
            const std::uint32_t kept = m_first + m_count > first ? m_first + m_count - first : 0;
            if (kept > 0 && first > m_first)
                std::memmove(m_bytes.data(), Row(first), kept * m_rowBytes);
            m_first = first;
            m_count = kept;
            const std::uint32_t next = m_first + m_count;
            const std::uint32_t fetch = std::min(m_capacity - m_count, m_sourceRows - next);
            if (fetch < first + count - next ||
                !m_source.ReadRows(next, fetch, m_bytes.data() + m_count * m_rowBytes, m_rowBytes))
                return nullptr;
            m_count += fetch;
        }
        return Row(first);
    }

private:
    std::uint8_t* Row(std::uint32_t row) { return m_bytes.data() + (row - m_first) * m_rowBytes; }

    CRowSource& m_source;
    std::size_t m_rowBytes;
    std::uint32_t m_sourceRows;
    std::uint32_t m_capacity;
    std::vector<std::uint8_t> m_bytes;
    std::uint32_t m_first = 0;
    std::uint32_t m_count = 0;
};

bool Scale(CRowSource& source, std::uint32_t sourceWidth, std::uint32_t sourceRows, std::uint32_t rows,
           std::span<const CScaleTarget> targets) {
    const CAxis vertical = MakeAxis(sourceRows, rows);
    std::vector<CAxis> horizontal;
    std::size_t from = 3 * std::size_t{sourceWidth};
    std::size_t to = 0;
    for (const CScaleTarget& target : targets) {
        horizontal.push_back(MakeAxis(target.sourceWidth, target.width));
        from = std::min(from, 3 * std::size_t{target.sourceLeft});
        to = std::max(to, 3 * (std::size_t{target.sourceLeft} + target.sourceWidth));
    }
    const std::size_t rowBytes = 3 * std::size_t{sourceWidth};
    CRowBand band(source, rowBytes, sourceRows, std::min(sourceRows, vertical.maxTaps + kBandRows));
    // The weighted sums down the rows, for the columns that the targets take.
    std::vector<std::uint32_t> sums(vertical.copies ? 0 : rowBytes);
    for (std::uint32_t y = 0; y < rows; ++y) {
        const std::uint32_t taps = vertical.Taps(y);
        const std::uint8_t* held = band.Hold(vertical.first[y], taps);
        if (!held)
            return false;
        if (!vertical.copies) {
            const std::uint16_t* weight = vertical.weights.data() + vertical.start[y];
            for (std::size_t k = from; k < to; ++k)
                sums[k] = std::uint32_t{weight[0]} * held[k];
            for (std::uint32_t tap = 1; tap < taps; ++tap) {
                const std::uint8_t* row = held + tap * rowBytes;
                const std::uint32_t w = weight[tap];
                for (std::size_t k = from; k < to; ++k)
                    sums[k] += w * row[k];
            }
        }
        for (std::size_t t = 0; t < targets.size(); ++t) {
            std::uint8_t* out = targets[t].picture->RowFromTop(static_cast<std::int32_t>(y));
            if (horizontal[t].copies && vertical.copies)
                std::memcpy(out, held + 3 * std::size_t{targets[t].sourceLeft},
                            3 * std::size_t{targets[t].width});
            else if (vertical.copies)
                ResampleLine(held, 0, horizontal[t], targets[t].sourceLeft, out);
            else
                ResampleLine(sums.data(), kWeightBits, horizontal[t], targets[t].sourceLeft, out);
        }
    }
    return true;
}

} // namespace

CPictureSize FitWithin(std::uint32_t width, std::uint32_t height, CPictureSize box) {
    if (width == 0 || height == 0 || box.width == 0 || box.height == 0)
        return {};
    // As wide as the box when the picture is relatively wider than the box, else as high.
    if (std::uint64_t{width} * box.height >= std::uint64_t{height} * box.width) {
        const std::uint64_t fitted = (std::uint64_t{height} * box.width + width / 2) / width;
        return {box.width, static_cast<std::uint32_t>(std::clamp<std::uint64_t>(fitted, 1, box.height))};
    }
    const std::uint64_t fitted = (std::uint64_t{width} * box.height + height / 2) / height;
    return {static_cast<std::uint32_t>(std::clamp<std::uint64_t>(fitted, 1, box.width)), box.height};
}

bool ScaleRows(CRowSource& source, std::uint32_t sourceWidth, std::uint32_t sourceRows, std::uint32_t rows,
               std::span<const CScaleTarget> targets) {
    bool fits = sourceWidth > 0 && sourceRows > 0 && rows > 0 && !targets.empty();
    for (const CScaleTarget& target : targets)
        fits = fits && target.picture && target.width > 0 && target.sourceWidth > 0 &&
               std::uint64_t{target.sourceLeft} + target.sourceWidth <= sourceWidth;
    bool made = fits;
    for (const CScaleTarget& target : targets) {
        if (!target.picture)
            continue;
        target.picture->Free();
        made = made && target.picture->Create(kDibTrueColour, target.width, rows);
    }
    try {
        made = made && Scale(source, sourceWidth, sourceRows, rows, targets);
    } catch (const std::bad_alloc&) {
        made = false;
    }
    if (!made)
        for (const CScaleTarget& target : targets)
            if (target.picture)
                target.picture->Free();
    return made;
}
