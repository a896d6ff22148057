#include "keyhook/CaptureLayout.h"

#include "settings/SettingsTypes.h"
#include "display/SyncDoubleBands.h"

#include <algorithm>
#include <cstring>

namespace {

// The largest side of a JPEG picture.
constexpr int kLargestPictureSide = 65535;

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

bool ComposePictureRows(const CCaptureLayout& layout, std::span<const std::uint8_t> screen,
                        std::size_t screenStride, int firstRow, int count, std::span<std::uint8_t> picture,
                        std::size_t pictureStride) noexcept {
    const std::size_t width = static_cast<std::size_t>(layout.screenWidth);
    const std::size_t pictureRowBytes = 3 * static_cast<std::size_t>(PictureWidth(layout));
    const auto holds = [](std::span<const std::uint8_t> block, std::size_t rows, std::size_t stride,
                          std::size_t rowBytes) {
        return stride >= rowBytes && block.size() >= (rows - 1) * stride + rowBytes;
    };
    if (count <= 0 || firstRow < 0 || firstRow > layout.screenHeight - count ||
        !holds(screen, static_cast<std::size_t>(layout.screenHeight), screenStride, 4 * width) ||
        !holds(picture, static_cast<std::size_t>(count), pictureStride, pictureRowBytes))
        return false;
    const int halves = layout.viewMode == kViewFlat2D ? 1 : 2;
    int previous[2] = {-1, -1};
    for (int row = 0; row < count; ++row) {
        std::uint8_t* target = picture.data() + static_cast<std::size_t>(row) * pictureStride;
        const int sources[2] = {ScreenRowOf(layout, 0, firstRow + row),
                                ScreenRowOf(layout, 1, firstRow + row)};
        // Rows pair up (Interlace) or repeat (a stretched band): the row above is copied whole.
        if (row > 0 && sources[0] == previous[0] && (halves == 1 || sources[1] == previous[1])) {
            std::memcpy(target, target - pictureStride, pictureRowBytes);
            continue;
        }
        for (int half = 0; half < halves; ++half) {
            const std::uint8_t* from = screen.data() + static_cast<std::size_t>(sources[half]) * screenStride;
            std::uint8_t* to = target + 3 * width * static_cast<std::size_t>(half);
            for (std::size_t x = 0; x < width; ++x, from += 4, to += 3) {
                to[0] = from[0];
                to[1] = from[1];
                to[2] = from[2];
            }
        }
        previous[0] = sources[0];
        previous[1] = sources[1];
    }
    return true;
}
