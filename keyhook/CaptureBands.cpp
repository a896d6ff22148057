#include "keyhook/CaptureBands.h"

#include "settings/SettingsTypes.h"
#include "display/SyncDoubleBands.h"

#include <algorithm>
#include <cstring>

namespace {

// The largest side of a JPEG picture.
constexpr int kLargestPictureSide = 65535;

// Row `row` of a band, counted from the top.
std::uint8_t* BandRow(std::span<std::uint8_t> rows, std::size_t stride, int row) {
    return rows.data() + static_cast<std::size_t>(row) * stride;
}

// Picture rows 2j and 2j + 1 hold screen rows 2j and 2j + 1 in their first halves; afterwards both show
// screen row 2j in the first half and screen row 2j + 1 in the second. Three copies of half a row per
// pair.
void SeparateRowPairs(std::span<std::uint8_t> rows, std::size_t stride, int count, std::size_t halfBytes) {
    int row = 0;
    for (; row + 1 < count; row += 2) {
        std::uint8_t* even = BandRow(rows, stride, row);
        std::uint8_t* odd = BandRow(rows, stride, row + 1);
        std::memcpy(even + halfBytes, odd, halfBytes);
        std::memcpy(odd + halfBytes, odd, halfBytes);
        std::memcpy(odd, even, halfBytes);
    }
    if (row < count) {
        std::uint8_t* last = BandRow(rows, stride, row);
        std::memcpy(last + halfBytes, last, halfBytes);
    }
}

// Each half holds its band rows from the top; afterwards every picture row shows its own band row.
// Stretching only ever enlarges (a band is never higher than the screen), so the band row of picture
// row y lies at or above row y and, working upwards, is read before it is overwritten.
void StretchHalves(const CCaptureLayout& layout, int firstRow, int count, std::span<std::uint8_t> rows,
                   std::size_t stride, std::size_t halfBytes) {
    for (int half = 0; half < 2; ++half) {
        const std::size_t offset = static_cast<std::size_t>(half) * halfBytes;
        const int firstScreenRow = ScreenRowOf(layout, half, firstRow);
        for (int row = count - 1; row >= 0; --row) {
            const int source = ScreenRowOf(layout, half, firstRow + row) - firstScreenRow;
            if (source != row)
                std::memcpy(BandRow(rows, stride, row) + offset, BandRow(rows, stride, source) + offset,
                            halfBytes);
        }
    }
}

} // namespace

bool CaptureLayoutOf(int screenWidth, int screenHeight, std::int32_t viewMode, CCaptureLayout& layout) {
    if (viewMode < kViewInterlace || viewMode > kViewFlat2D || screenWidth <= 0 || screenHeight <= 0 ||
        screenHeight > kLargestPictureSide)
        return false;
    CCaptureLayout result;
    result.viewMode = viewMode;
    result.screenWidth = screenWidth;
    result.screenHeight = screenHeight;
    if (PictureWidth(result) > kLargestPictureSide || screenWidth > kLargestPictureSide)
        return false;
    if (viewMode == kViewSyncDouble) {
        const CSyncDoubleBands bands = SyncDoubleBands(screenWidth, screenHeight);
        // Both bands must hold rows, and neither may be higher than the picture it is stretched to.
        if (bands.topRows <= 0 || bands.topRows > bands.bottomStart || bands.bottomStart >= screenHeight)
            return false;
        result.topRows = bands.topRows;
        result.bottomStart = bands.bottomStart;
    }
    layout = result;
    return true;
}

int PictureWidth(const CCaptureLayout& layout) noexcept {
    return layout.viewMode == kViewFlat2D ? layout.screenWidth : 2 * layout.screenWidth;
}

int ScreenRowOf(const CCaptureLayout& layout, int half, int row) noexcept {
    const int height = layout.screenHeight;
    switch (layout.viewMode) {
    case kViewInterlace:
    case kViewLineBlank:
        return half == 0 ? row - row % 2 : std::min(row - row % 2 + 1, height - 1);
    case kViewSyncDouble: {
        const int bandRows = half == 0 ? layout.topRows : height - layout.bottomStart;
        const int first = half == 0 ? 0 : layout.bottomStart;
        // The middle of picture row y lies at (y + 1/2) * bandRows / height band rows.
        return first + static_cast<int>((2 * static_cast<std::int64_t>(row) + 1) * bandRows / (2 * height));
    }
    default:
        return row;
    }
}

int BandCount(const CCaptureLayout& layout, int bandRows) noexcept {
    return bandRows > 0 ? (layout.screenHeight + bandRows - 1) / bandRows : 0;
}

bool PlanBand(const CCaptureLayout& layout, int bandRows, int band, CBandPlan& plan) noexcept {
    if (bandRows <= 0 || bandRows % 2 != 0 || band < 0 || band >= BandCount(layout, bandRows))
        return false;
    CBandPlan result;
    result.firstRow = band * bandRows;
    result.rows = std::min(bandRows, layout.screenHeight - result.firstRow);
    if (layout.viewMode == kViewSyncDouble) {
        result.copyCount = 2;
        for (int half = 0; half < 2; ++half) {
            const int first = ScreenRowOf(layout, half, result.firstRow);
            const int last = ScreenRowOf(layout, half, result.firstRow + result.rows - 1);
            result.copies[half] = CBandCopy{half, first, last - first + 1};
        }
    } else {
        // Interlace and Line Blank take the screen rows of the band's own rows once, into the first half.
        result.copyCount = 1;
        result.copies[0] = CBandCopy{0, result.firstRow, result.rows};
    }
    plan = result;
    return true;
}

bool ArrangeBand(const CCaptureLayout& layout, const CBandPlan& plan, std::span<std::uint8_t> rows,
                 std::size_t stride) noexcept {
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(PictureWidth(layout));
    if (plan.rows <= 0 || plan.firstRow < 0 || plan.firstRow + plan.rows > layout.screenHeight ||
        stride < rowBytes || rows.size() < static_cast<std::size_t>(plan.rows - 1) * stride + rowBytes)
        return false;
    const std::size_t halfBytes = 3 * static_cast<std::size_t>(layout.screenWidth);
    switch (layout.viewMode) {
    case kViewInterlace:
    case kViewLineBlank:
        if (plan.firstRow % 2 != 0)
            return false;
        SeparateRowPairs(rows, stride, plan.rows, halfBytes);
        return true;
    case kViewSyncDouble:
        StretchHalves(layout, plan.firstRow, plan.rows, rows, stride, halfBytes);
        return true;
    default:
        return true;
    }
}
