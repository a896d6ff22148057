#include "display/FrameComposition.h"

#include "display/RedCyan.h"
#include "display/SyncDoubleBands.h"
#include "settings/SettingsTypes.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Makes `frame` a 24-bit width x height bitmap, its pixels as they come; a frame of that size is used
// again, so that a page step touches no fresh memory. False, with `frame` as it was, when it cannot be
// made.
bool MakeFrame(CDibImage& frame, int width, int height) {
    const bool reusable =
        frame.GetBitCount() == 24 && frame.GetWidth() == width && frame.GetHeight() == height;
    if (!reusable) {
        CDibImage fresh;
        if (width <= 0 || height <= 0 ||
            !fresh.Create(kDibTrueColour, static_cast<std::uint32_t>(width),
                          static_cast<std::uint32_t>(height)))
            return false;
        frame.Swap(fresh);
    }
    return true;
}

// The same, all black.
bool MakeBlackFrame(CDibImage& frame, int width, int height) {
    if (!MakeFrame(frame, width, height))
        return false;
    std::memset(frame.Pixels(), 0, frame.GetImageSize());
    return true;
}

// The columns [left, left + width) of a 24-bit picture, all its rows.
struct CEyeView {
    const CDibImage* image = nullptr;
    int left = 0;
    int width = 0;
};

enum class CFrameRows { kAll, kEven, kOdd };

// Copies `eye` into the `rows` of the frame's columns [canvasLeft, canvasLeft + canvasWidth), its top
// left corner at `at` within them, cut off at the canvas's edges. A picture not 24 bits deep is left
// out.
void PlaceEye(CDibImage& frame, int canvasLeft, int canvasWidth, const CEyeView& eye, CFrameOffset at,
              CFrameRows rows) {
    if (!eye.image || eye.image->GetBitCount() != 24 || eye.left < 0 || at.x < 0 || at.y < 0)
        return;
    const int columns = std::min({eye.width, eye.image->GetWidth() - eye.left, canvasWidth - at.x});
    const int end = std::min(frame.GetHeight(), at.y + eye.image->GetHeight());
    if (columns <= 0)
        return;
    for (int r = at.y; r < end; ++r) {
        if ((rows == CFrameRows::kEven && r % 2 != 0) || (rows == CFrameRows::kOdd && r % 2 == 0))
            continue;
        std::memcpy(frame.RowFromTop(r) + 3 * static_cast<std::size_t>(canvasLeft + at.x),
                    eye.image->RowFromTop(r - at.y) + 3 * static_cast<std::size_t>(eye.left),
                    3 * static_cast<std::size_t>(columns));
    }
}

// The columns [begin, end) of screen row `row` that `eye` covers when its top left corner is at `at`,
// and the eye's pixel at column `begin`; empty when the eye does not reach the row.
struct CEyeRow {
    int begin = 0;
    int end = 0;
    const std::uint8_t* pixels = nullptr;
};
CEyeRow EyeRow(const CDibImage& eye, CFrameOffset at, int row, int screenWidth) {
    if (row < at.y || row - at.y >= eye.GetHeight())
        return {};
    return {at.x, std::min(screenWidth, at.x + eye.GetWidth()), eye.RowFromTop(row - at.y)};
}

} // namespace

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
    const bool made = MakeBlackFrame(frame, screenWidth, screenHeight);
    if (made) {
        const int half = pair.GetWidth() / 2;
        PlaceEye(frame, 0, screenWidth, {&pair, 0, half}, {0, 0}, CFrameRows::kEven);
        PlaceEye(frame, 0, screenWidth, {&pair, half, half}, {0, 0}, CFrameRows::kOdd);
    }
    pair.Free();
    return made;
}

bool ComposeInterleavedFrame(CRowSource& pair, CPictureSize size, CDibImage& frame, int screenWidth,
                             int screenHeight) {
    constexpr std::uint32_t kBandRows = 16;
    if (!MakeBlackFrame(frame, screenWidth, screenHeight))
        return false;
    const std::size_t rowBytes = 3 * std::size_t{size.width};
    const std::uint32_t half = size.width / 2;
    const std::size_t columns = 3 * std::size_t{std::min(half, static_cast<std::uint32_t>(screenWidth))};
    const std::uint32_t rows = std::min(size.height, static_cast<std::uint32_t>(screenHeight));
    std::vector<std::uint8_t> band(rowBytes * kBandRows);
    for (std::uint32_t first = 0; first < rows; first += kBandRows) {
        const std::uint32_t count = std::min(kBandRows, rows - first);
        if (!pair.ReadRows(first, count, band.data(), rowBytes))
            return false;
        for (std::uint32_t r = first; r < first + count; ++r) {
            const std::uint8_t* from =
                band.data() + (r - first) * rowBytes + (r % 2 == 0 ? 0 : 3 * std::size_t{half});
            std::memcpy(frame.RowFromTop(static_cast<std::int32_t>(r)), from, columns);
        }
    }
    return true;
}

bool ComposeSideBySide(const CStereoPicture& eyes, CDibImage& pair) {
    const int half = std::max(eyes.left.GetWidth(), eyes.right.GetWidth());
    const int height = std::max(eyes.left.GetHeight(), eyes.right.GetHeight());
    if (half > INT32_MAX / 2 || !MakeBlackFrame(pair, 2 * half, height))
        return false;
    PlaceEye(pair, 0, half, {&eyes.left, 0, eyes.left.GetWidth()}, {0, 0}, CFrameRows::kAll);
    PlaceEye(pair, half, half, {&eyes.right, 0, eyes.right.GetWidth()}, {0, 0}, CFrameRows::kAll);
    return true;
}

bool ComposeStereoFrame(const CStereoPicture& picture, std::int32_t viewMode, bool swapped, CDibImage& frame,
                        int screenWidth, int screenHeight) {
    const bool flat = picture.right.IsEmpty();
    const CDibImage& left = swapped && !flat ? picture.right : picture.left;
    const CDibImage& right = flat ? picture.left : swapped ? picture.left : picture.right;
    const auto view = [](const CDibImage& eye) { return CEyeView{&eye, 0, eye.GetWidth()}; };
    const auto centred = [&](const CDibImage& eye) {
        return CentredOffset(screenWidth, screenHeight, eye.GetWidth(), eye.GetHeight());
    };
    switch (viewMode) {
    case kViewInterlace:
    case kViewLineBlank:
        if (!MakeBlackFrame(frame, screenWidth, screenHeight))
            return false;
        PlaceEye(frame, 0, screenWidth, view(left), centred(left), CFrameRows::kEven);
        PlaceEye(frame, 0, screenWidth, view(right), centred(right), CFrameRows::kOdd);
        return true;
    case kViewSyncDouble:
        if (screenWidth > INT32_MAX / 2 || !MakeBlackFrame(frame, 2 * screenWidth, screenHeight))
            return false;
        PlaceEye(frame, 0, screenWidth, view(left), centred(left), CFrameRows::kAll);
        PlaceEye(frame, screenWidth, screenWidth, view(right), centred(right), CFrameRows::kAll);
        return true;
    case kViewFlat2D:
        if (!MakeBlackFrame(frame, screenWidth, screenHeight))
            return false;
        PlaceEye(frame, 0, screenWidth, view(left), centred(left), CFrameRows::kAll);
        return true;
    default:
        return false;
    }
}

bool ComposeAnaglyphFrame(const CStereoPicture& picture, bool swapped, CDibImage& frame, int screenWidth,
                          int screenHeight) {
    const CDibImage& left = swapped ? picture.right : picture.left;
    const CDibImage& right = swapped ? picture.left : picture.right;
    if (left.GetBitCount() != 24 || right.GetBitCount() != 24 || !MakeFrame(frame, screenWidth, screenHeight))
        return false;
    const CFrameOffset leftAt = CentredOffset(screenWidth, screenHeight, left.GetWidth(), left.GetHeight());
    const CFrameOffset rightAt =
        CentredOffset(screenWidth, screenHeight, right.GetWidth(), right.GetHeight());
    // The eye that does not reach a pixel that the other covers.
    const std::vector<std::uint8_t> black(3 * static_cast<std::size_t>(screenWidth), 0);
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(screenWidth);
    for (int y = 0; y < screenHeight; ++y) {
        const CEyeRow l = EyeRow(left, leftAt, y, screenWidth);
        const CEyeRow r = EyeRow(right, rightAt, y, screenWidth);
        std::uint8_t* row = frame.RowFromTop(y);
        // Between two neighbouring edges, each eye covers all of the columns or none. Each pixel is
        // written once: the frame is not cleared first.
        int edges[6] = {0, l.begin, l.end, r.begin, r.end, screenWidth};
        std::sort(std::begin(edges), std::end(edges));
        for (int e = 0; e < 5; ++e) {
            const int first = edges[e];
            const int end = edges[e + 1];
            if (first >= end)
                continue;
            const bool inLeft = l.begin <= first && end <= l.end;
            const bool inRight = r.begin <= first && end <= r.end;
            std::uint8_t* out = row + 3 * static_cast<std::size_t>(first);
            const auto count = static_cast<std::size_t>(end - first);
            if (!inLeft && !inRight)
                std::memset(out, 0, 3 * count);
            else
                RedCyanRow(inLeft ? l.pixels + 3 * static_cast<std::size_t>(first - l.begin) : black.data(),
                           inRight ? r.pixels + 3 * static_cast<std::size_t>(first - r.begin) : black.data(),
                           out, count);
        }
        std::memset(row + rowBytes, 0, frame.GetStride() - rowBytes);
    }
    return true;
}

bool ComposeStereoFrames(const CStereoPicture& picture, std::int32_t viewMode, bool swapped, CDibImage& frame,
                         CDibImage& twin, int screenWidth, int screenHeight) {
    twin.Free();
    if (viewMode == kViewRedCyan)
        return picture.right.IsEmpty()
                   ? ComposeStereoFrame(picture, kViewFlat2D, false, frame, screenWidth, screenHeight)
                   : ComposeAnaglyphFrame(picture, swapped, frame, screenWidth, screenHeight);
    const bool interleaved = viewMode == kViewInterlace || viewMode == kViewLineBlank;
    if (interleaved && !picture.right.IsEmpty() &&
        !ComposeStereoFrame(picture, viewMode, !swapped, twin, screenWidth, screenHeight))
        return false;
    if (ComposeStereoFrame(picture, viewMode, swapped, frame, screenWidth, screenHeight))
        return true;
    twin.Free();
    return false;
}

bool SwapStereoFrame(std::int32_t viewMode, CDibImage& frame, CDibImage& twin) {
    switch (viewMode) {
    case kViewInterlace:
    case kViewLineBlank:
        if (twin.IsEmpty())
            return false;
        frame.Swap(twin);
        return true;
    case kViewSyncDouble: {
        if (frame.GetBitCount() != 24 || frame.GetWidth() % 2 != 0)
            return false;
        const std::size_t half = 3 * static_cast<std::size_t>(frame.GetWidth() / 2);
        for (int r = 0; r < frame.GetHeight(); ++r) {
            std::uint8_t* row = frame.RowFromTop(r);
            std::swap_ranges(row, row + half, row + half);
        }
        return true;
    }
    default:
        return false;
    }
}
