#include "display/PictureFile.h"

#include "display/JpegCodec.h"
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

// One JPEG picture as one eye (`eye`): fitted, or its top left part of the screen's size.
bool DecodeEye(std::span<const std::uint8_t> jpeg, const CPictureLayout& layout, CDibImage& eye) {
    CJpegFrame header;
    if (ReadJpegFrame(jpeg, header) != CJpegFrameResult::kFrame)
        return false;
    const CPictureSize fitted = FitWithin(header.width, header.height, layout.screen);
    return DecodeJpegRows(
        jpeg, layout.fitted ? fitted : CPictureSize{}, [&](CPictureSize size, CRowSource& rows) {
            if (layout.fitted)
                return ScaleRows(rows, size.width, size.height, fitted.height,
                                 std::array{CScaleTarget{0, size.width, fitted.width, &eye}});
            const std::uint32_t width = std::min(size.width, layout.screen.width);
            const std::uint32_t height = std::min(size.height, layout.screen.height);
            return ScaleRows(rows, size.width, height, height,
                             std::array{CScaleTarget{0, width, width, &eye}});
        });
}

// A side-by-side picture: its halves as the eyes that `layout` asks for, made in one decoding.
bool DecodeSideBySide(std::span<const std::uint8_t> jpeg, const CPictureLayout& layout,
                      CStereoPicture& picture) {
    CJpegFrame header;
    if (ReadJpegFrame(jpeg, header) != CJpegFrameResult::kFrame || header.width < 2)
        return false;
    const CPictureSize fitted = FitWithin(header.width / 2, header.height, layout.screen);
    const CPictureSize wanted =
        layout.fitted ? CPictureSize{2 * fitted.width, fitted.height} : CPictureSize{};
    return DecodeJpegRows(jpeg, wanted, [&](CPictureSize size, CRowSource& rows) {
        const std::uint32_t half = size.width / 2;
        const std::uint32_t width = layout.fitted ? fitted.width : std::min(half, layout.screen.width);
        const std::uint32_t taken = layout.fitted ? half : width;
        const std::uint32_t sourceRows =
            layout.fitted ? size.height : std::min(size.height, layout.screen.height);
        const std::uint32_t height = layout.fitted ? fitted.height : sourceRows;
        if (half == 0)
            return false;
        const CScaleTarget leftHalf{0, taken, width, &picture.left};
        const CScaleTarget rightHalf{half, taken, width,
                                     layout.eyes == CEyeChoice::kRight ? &picture.left : &picture.right};
        if (layout.eyes == CEyeChoice::kBoth)
            return ScaleRows(rows, size.width, sourceRows, height, std::array{leftHalf, rightHalf});
        return ScaleRows(rows, size.width, sourceRows, height,
                         std::array{layout.eyes == CEyeChoice::kLeft ? leftHalf : rightHalf});
    });
}

std::span<const std::uint8_t> PictureOf(std::span<const std::uint8_t> file, const CJpegPictureRange& range) {
    return file.subspan(range.offset, range.size);
}

bool DecodeMultiPicture(std::span<const std::uint8_t> file, const CPictureLayout& layout,
                        CStereoPicture& picture) {
    CMultiPictureIndex index;
    if (ReadMultiPictureIndex(file, index) != CMultiPictureResult::kPictures)
        return false;
    const std::span<const std::uint8_t> first = PictureOf(file, index.first);
    if (index.count < 2 || layout.eyes == CEyeChoice::kLeft)
        return DecodeEye(first, layout, picture.left);
    const std::span<const std::uint8_t> second = PictureOf(file, index.second);
    if (layout.eyes == CEyeChoice::kRight)
        return DecodeEye(second, layout, picture.left);
    return DecodeEye(first, layout, picture.left) && DecodeEye(second, layout, picture.right);
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
                       CStereoPicture& picture) {
    picture.left.Free();
    picture.right.Free();
    CPictureBytes bytes;
    if (!ReadPictureFile(path.c_str(), bytes))
        return false;
    bool loaded = false;
    switch (kind) {
    case CPictureKind::kSideBySide:
        loaded = DecodeSideBySide(bytes.Span(), layout, picture);
        break;
    case CPictureKind::kMultiPicture:
        loaded = DecodeMultiPicture(bytes.Span(), layout, picture);
        break;
    case CPictureKind::kFlat:
        loaded = DecodeEye(bytes.Span(), layout, picture.left);
        break;
    }
    if (!loaded) {
        picture.left.Free();
        picture.right.Free();
    }
    return loaded;
}
