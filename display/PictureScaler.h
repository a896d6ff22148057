#pragma once
// Pictures scaled to fit the screen: the fitted size, and the resampling of a decoded picture's rows
// into 24-bit holders of another size, as the rows come from the decoder. Plain code: the decoder that
// hands over the rows is the JPEG codec's (JpegCodec.h).

#include "display/DibImage.h"

#include <cstddef>
#include <cstdint>
#include <span>

struct CPictureSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;

    friend bool operator==(const CPictureSize&, const CPictureSize&) = default;
};

// The size of a `width` x `height` picture scaled, keeping its proportions, to the largest size that
// fits within `box`: as wide as the box or as high, rounded to whole pixels, at least 1 x 1. An empty
// picture or box gives 0 x 0.
CPictureSize FitWithin(std::uint32_t width, std::uint32_t height, CPictureSize box);

// The rows of a decoded picture, 24 bits a pixel (blue, green, red), read from the top.
class CRowSource {
public:
    // Rows [first, first + count): the first at `rows`, each next one `stride` bytes after it. False
    // when they cannot be read.
    virtual bool ReadRows(std::uint32_t first, std::uint32_t count, std::uint8_t* rows,
                          std::size_t stride) = 0;

protected:
    ~CRowSource() = default;
};

// One picture that ScaleRows makes: the source's columns [sourceLeft, sourceLeft + sourceWidth)
// become `width` columns of `picture`.
struct CScaleTarget {
    std::uint32_t sourceLeft = 0;
    std::uint32_t sourceWidth = 0;
    std::uint32_t width = 0;
    CDibImage* picture = nullptr;
};

// Makes each target's picture anew (24 bits a pixel, `rows` rows) from the top `sourceRows` rows of a
// source `sourceWidth` pixels wide, reading each source row once, in order, a band at a time. Along
// each direction a picture that shrinks takes the average of the source pixels that each of its pixels
// covers, one that grows interpolates between the two nearest, and one that keeps its size copies
// them. False, with every target's picture empty, when a size is 0, a target's columns lie outside
// the source, the source fails or memory runs out.
bool ScaleRows(CRowSource& source, std::uint32_t sourceWidth, std::uint32_t sourceRows, std::uint32_t rows,
               std::span<const CScaleTarget> targets);
