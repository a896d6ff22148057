#include "display/FrameComposition.h"

#include "display/SyncDoubleBands.h"

#include <algorithm>
#include <cstring>

CFrameOffset CentredOffset(int screenWidth, int screenHeight, int width, int height) {
    CFrameOffset offset{0, 0};
    if (width < screenWidth)
        offset.x = (screenWidth - width) / 2;
    if (height < screenHeight)
        offset.y = 2 * (((screenHeight - height) / 2) / 2);
    return offset;
}

CSyncDoubleRows SyncDoubleRows(int screenWidth, int screenHeight, int gapAdjust) {
    const CSyncDoubleBands bands = SyncDoubleBands(screenWidth, screenHeight);
    const int height = std::max(screenHeight, 0);
    return {std::clamp(bands.topRows - gapAdjust, 0, height),
            std::clamp(bands.bottomStart + gapAdjust, 0, height)};
}

bool ComposeInterleavedFrame(CDibImage& pair, CDibImage& frame, int screenWidth, int screenHeight) {
    frame.Free();
    if (screenWidth <= 0 || screenHeight <= 0 ||
        !frame.Create(kDibTrueColour, static_cast<std::uint32_t>(screenWidth),
                      static_cast<std::uint32_t>(screenHeight))) {
        pair.Free();
        return false;
    }
    std::memset(frame.Pixels(), 0, frame.GetImageSize());

    if (pair.GetBitCount() == 24) {
        const int half = pair.GetWidth() / 2;
        const int rows = std::min(pair.GetHeight(), screenHeight);
        const std::size_t rowBytes = 3 * static_cast<std::size_t>(std::min(half, screenWidth));
        const std::size_t rightHalf = 3 * static_cast<std::size_t>(half);
        for (int r = 0; r < rows; ++r) {
            const std::uint8_t* source = pair.RowFromTop(r) + (r % 2 == 0 ? 0 : rightHalf);
            std::memcpy(frame.RowFromTop(r), source, rowBytes);
        }
    }
    pair.Free();
    return true;
}
