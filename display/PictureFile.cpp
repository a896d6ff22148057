#include "display/PictureFile.h"

#include "display/JpegHeader.h"

#include <algorithm>
#include <array>
#include <cwctype>

namespace {

struct CExtension {
    std::wstring_view text;
    CPictureKind kind;
};
constexpr CExtension kExtensions[] = {
    {L".jps", CPictureKind::kSideBySide}, {L".mpo", CPictureKind::kMultiPicture},
    {L".jpg", CPictureKind::kFlat},       {L".jpeg", CPictureKind::kFlat},
    {L".jpe", CPictureKind::kFlat},       {L".jfif", CPictureKind::kFlat},
};

bool SameLetters(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
               return std::towlower(x) == std::towlower(y);
           });
}

// The size at which an eye of `eye` pixels is shown for `layout`.
CPictureSize ShownSize(CPictureSize eye, const CPictureLayout& layout) {
    if (layout.scaling == CEyeScaling::kFitted)
        return FitWithin(eye.width, eye.height, layout.screen);
    return {std::min(eye.width, layout.screen.width), std::min(eye.height, layout.screen.height)};
}

// One JPEG picture as one eye (`eye`), for `layout`.
bool DecodeEye(std::span<const std::uint8_t> jpeg, const CPictureLayout& layout, CDibImage& eye,
               const CStopSignal* stop) {
    CJpegFrame header;
    if (ReadJpegFrame(jpeg, header) != CJpegFrameResult::kFrame)
        return false;
    const CPictureSize shown = ShownSize({header.width, header.height}, layout);
    const bool scaled = layout.scaling != CEyeScaling::kUnscaled;
    return DecodeJpegRows(
        jpeg, scaled ? shown : CPictureSize{},
        [&](CPictureSize size, CRowSource& rows) {
            // Scaled, the whole picture as decoded; unscaled, its top left part.
            const std::uint32_t columns = scaled ? size.width : shown.width;
            const std::uint32_t sourceRows = scaled ? size.height : shown.height;
            return ScaleRows(rows, size.width, sourceRows, shown.height,
                             std::array{CScaleTarget{0, columns, shown.width, &eye}});
        },
        stop);
}

// A side-by-side picture: its halves as the eyes that `layout` asks for, made in one decoding.
bool DecodeSideBySide(std::span<const std::uint8_t> jpeg, const CPictureLayout& layout,
                      CStereoPicture& picture, const CStopSignal* stop) {
    CJpegFrame header;
    if (ReadJpegFrame(jpeg, header) != CJpegFrameResult::kFrame || header.width < 2)
        return false;
    const CPictureSize shown = ShownSize({header.width / 2, header.height}, layout);
    const bool scaled = layout.scaling != CEyeScaling::kUnscaled;
    const CPictureSize wanted = scaled ? CPictureSize{2 * shown.width, shown.height} : CPictureSize{};
    return DecodeJpegRows(
        jpeg, wanted,
        [&](CPictureSize size, CRowSource& rows) {
            const std::uint32_t half = size.width / 2;
            const std::uint32_t taken = scaled ? half : shown.width;
            const std::uint32_t sourceRows = scaled ? size.height : shown.height;
            if (half == 0)
                return false;
            const CScaleTarget leftHalf{0, taken, shown.width, &picture.left};
            const CScaleTarget rightHalf{half, taken, shown.width,
                                         layout.eyes == CEyeChoice::kRight ? &picture.left : &picture.right};
            if (layout.eyes == CEyeChoice::kBoth)
                return ScaleRows(rows, size.width, sourceRows, shown.height, std::array{leftHalf, rightHalf});
            return ScaleRows(rows, size.width, sourceRows, shown.height,
                             std::array{layout.eyes == CEyeChoice::kLeft ? leftHalf : rightHalf});
        },
        stop);
}

std::span<const std::uint8_t> PictureOf(std::span<const std::uint8_t> file, const CJpegPictureRange& range) {
    return file.subspan(range.offset, range.size);
}

// Whether the picture at `range` of the file is one that would be decoded.
bool IsDecodableRange(std::span<const std::uint8_t> file, const CJpegPictureRange& range) {
    CJpegFrame header;
    return ReadJpegFrame(PictureOf(file, range), header) == CJpegFrameResult::kFrame &&
           IsDecodablePicture(header, range.size);
}

bool DecodeMultiPicture(std::span<const std::uint8_t> file, const CPictureLayout& layout,
                        CStereoPicture& picture, const CStopSignal* stop) {
    CMultiPictureIndex index;
    if (ReadMultiPictureIndex(file, index) != CMultiPictureResult::kPictures)
        return false;
    const bool one = index.count < 2;
    const bool first = one || layout.eyes != CEyeChoice::kRight;
    const bool second = !one && layout.eyes != CEyeChoice::kLeft;
    if ((first && !IsDecodableRange(file, index.first)) || (second && !IsDecodableRange(file, index.second)))
        return false;
    if (!second)
        return DecodeEye(PictureOf(file, index.first), layout, picture.left, stop);
    if (!first)
        return DecodeEye(PictureOf(file, index.second), layout, picture.left, stop);
    return DecodeEye(PictureOf(file, index.first), layout, picture.left, stop) &&
           DecodeEye(PictureOf(file, index.second), layout, picture.right, stop);
}

} // namespace

std::optional<CPictureKind> PictureKindOf(std::wstring_view name) {
    const std::size_t dot = name.find_last_of(L'.');
    if (dot == std::wstring_view::npos || name.find_first_of(L"\\/", dot) != std::wstring_view::npos)
        return std::nullopt;
    for (const CExtension& extension : kExtensions)
        if (SameLetters(name.substr(dot), extension.text))
            return extension.kind;
    return std::nullopt;
}

bool LoadStereoPicture(const std::wstring& path, CPictureKind kind, const CPictureLayout& layout,
                       CStereoPicture& picture, const CStopSignal* stop) {
    picture.left.Free();
    picture.right.Free();
    CPictureBytes bytes;
    if ((stop && *stop) || !ReadPictureFile(path.c_str(), bytes))
        return false;
    bool loaded = false;
    switch (kind) {
    case CPictureKind::kSideBySide:
        loaded = DecodeSideBySide(bytes.Span(), layout, picture, stop);
        break;
    case CPictureKind::kMultiPicture:
        loaded = DecodeMultiPicture(bytes.Span(), layout, picture, stop);
        break;
    case CPictureKind::kFlat:
        loaded = DecodeEye(bytes.Span(), layout, picture.left, stop);
        break;
    }
    if (!loaded) {
        picture.left.Free();
        picture.right.Free();
    }
    return loaded;
}
