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
    // A frame of the right size is used again: a page step then touches no fresh memory.
    const bool reusable =
        frame.GetBitCount() == 24 && frame.GetWidth() == screenWidth && frame.GetHeight() == screenHeight;
    if (!reusable) {
        CDibImage fresh;
        if (screenWidth <= 0 || screenHeight <= 0 ||
            !fresh.Create(kDibTrueColour, static_cast<std::uint32_t>(screenWidth),
                          static_cast<std::uint32_t>(screenHeight))) {
            pair.Free();
            return false;
        }
        frame.Swap(fresh);
    }

    const bool usable = pair.GetBitCount() == 24;
    const int half = usable ? pair.GetWidth() / 2 : 0;
    const int rows = usable ? std::min(pair.GetHeight(), screenHeight) : 0;
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(std::min(half, screenWidth));
    const std::size_t rightHalf = 3 * static_cast<std::size_t>(half);
    const std::size_t stride = frame.GetStride();
    // Every byte that no picture row covers is black.
    for (int r = 0; r < screenHeight; ++r) {
        std::uint8_t* target = frame.RowFromTop(r);
        std::size_t copied = 0;
        if (r < rows) {
            const std::uint8_t* source = pair.RowFromTop(r) + (r % 2 == 0 ? 0 : rightHalf);
            std::memcpy(target, source, rowBytes);
            copied = rowBytes;
        }
        std::memset(target + copied, 0, stride - copied);
    }
    pair.Free();
    return true;
}
