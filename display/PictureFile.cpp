#include "display/PictureFile.h"

#include "display/JpegHeader.h"
#include "display/PngCodec.h"
#include "display/PngHeader.h"

#include <algorithm>
#include <array>
#include <cwctype>
#include <vector>

namespace {

struct CExtension {
    std::wstring_view text;
    CPictureKind kind;
};
constexpr CExtension kExtensions[] = {
    {L".jps", CPictureKind::kSideBySide}, {L".mpo", CPictureKind::kMultiPicture},
    {L".jpg", CPictureKind::kFlat},       {L".jpeg", CPictureKind::kFlat},
    {L".jpe", CPictureKind::kFlat},       {L".jfif", CPictureKind::kFlat},
    {L".pns", CPictureKind::kSideBySide}, {L".png", CPictureKind::kFlat},
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

// One picture as one eye (`eye`), for `layout`.
CPictureResult DecodeEye(std::span<const std::uint8_t> coded, CPictureCoding coding,
                         const CPictureLayout& layout, CDibImage& eye, const CStopSignal* stop) {
    CCodedSize measured;
    if (!MeasureCoded(coded, coding, measured))
        return CPictureResult::kNotAPicture;
    const CPictureSize shown = ShownSize(measured.size, layout);
    const bool scaled = layout.scaling != CEyeScaling::kUnscaled;
    return DecodeCodedRows(
        coded, coding, scaled ? shown : CPictureSize{},
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
CPictureResult DecodeSideBySide(std::span<const std::uint8_t> coded, CPictureCoding coding,
                                const CPictureLayout& layout, CStereoPicture& picture,
                                const CStopSignal* stop) {
    CCodedSize measured;
    if (!MeasureCoded(coded, coding, measured) || measured.size.width < 2)
        return CPictureResult::kNotAPicture;
    const CPictureSize shown = ShownSize({measured.size.width / 2, measured.size.height}, layout);
    const bool scaled = layout.scaling != CEyeScaling::kUnscaled;
    const CPictureSize wanted = scaled ? CPictureSize{2 * shown.width, shown.height} : CPictureSize{};
    return DecodeCodedRows(
        coded, coding, wanted,
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

// The pictures of a file that make the eyes that `layout` asks for, and what decoding the larger of
// them holds; kNotAPicture or kBeyondBound when one of them cannot be decoded.
struct CPictureRanges {
    std::vector<CJpegPictureRange> ranges;
    std::uint64_t decoderBytes = 0;
};
CPictureResult RangesToDecode(std::span<const std::uint8_t> file, CPictureCoding coding, CPictureKind kind,
                              const CPictureLayout& layout, CPictureRanges& found) {
    std::vector<CJpegPictureRange> ranges{{0, file.size()}};
    if (coding == CPictureCoding::kPng) {
        // Its reader measured it whole against the bound; an .mpo's index is JPEG's only.
        CCodedSize measured;
        if (kind == CPictureKind::kMultiPicture || !MeasureCoded(file, CPictureCoding::kPng, measured))
            return CPictureResult::kNotAPicture;
        found.ranges = std::move(ranges);
        found.decoderBytes = measured.decoderBytes;
        return CPictureResult::kMade;
    }
    if (kind == CPictureKind::kMultiPicture) {
        CMultiPictureIndex index;
        if (ReadMultiPictureIndex(file, index) != CMultiPictureResult::kPictures)
            return CPictureResult::kNotAPicture;
        const bool one = index.count < 2;
        ranges.clear();
        if (one || layout.eyes != CEyeChoice::kRight)
            ranges.push_back(index.first);
        if (!one && layout.eyes != CEyeChoice::kLeft)
            ranges.push_back(index.second);
    }
    for (const CJpegPictureRange& range : ranges) {
        CJpegFrame header;
        if (ReadJpegFrame(PictureOf(file, range), header) != CJpegFrameResult::kFrame)
            return CPictureResult::kNotAPicture;
        if (!IsDecodablePicture(header, range.size))
            return CPictureResult::kBeyondBound;
        found.decoderBytes = std::max(found.decoderBytes, DecoderBytes(header));
    }
    found.ranges = std::move(ranges);
    return CPictureResult::kMade;
}

} // namespace

CPictureCoding CodingOf(std::wstring_view name) {
    const std::size_t dot = name.find_last_of(L'.');
    if (dot == std::wstring_view::npos)
        return CPictureCoding::kJpeg;
    const std::wstring_view extension = name.substr(dot);
    return SameLetters(extension, L".png") || SameLetters(extension, L".pns") ? CPictureCoding::kPng
                                                                              : CPictureCoding::kJpeg;
}

CPictureResult ReadCodedFile(const std::wstring& path, CPictureBytes& bytes) {
    return CodingOf(path) == CPictureCoding::kPng ? ReadPngPictureFile(path.c_str(), bytes)
                                                  : ReadPictureFile(path.c_str(), bytes);
}

bool MeasureCoded(std::span<const std::uint8_t> coded, CPictureCoding coding, CCodedSize& measured) {
    if (coding == CPictureCoding::kPng) {
        CPngHeader header;
        if (ReadPngHeader(coded, header) != CPngResult::kPicture)
            return false;
        measured = {{header.width, header.height}, PngDecoderBytes(header)};
        return true;
    }
    CJpegFrame header;
    if (ReadJpegFrame(coded, header) != CJpegFrameResult::kFrame)
        return false;
    measured = {{header.width, header.height}, DecoderBytes(header)};
    return true;
}

CPictureResult DecodeCodedRows(std::span<const std::uint8_t> coded, CPictureCoding coding,
                               CPictureSize wanted,
                               const std::function<bool(CPictureSize size, CRowSource& rows)>& use,
                               const CStopSignal* stop) {
    return coding == CPictureCoding::kPng ? DecodePngRows(coded, use, stop)
                                          : DecodeJpegRows(coded, wanted, use, stop);
}

std::optional<CPictureKind> PictureKindOf(std::wstring_view name) {
    const std::size_t dot = name.find_last_of(L'.');
    if (dot == std::wstring_view::npos || name.find_first_of(L"\\/", dot) != std::wstring_view::npos)
        return std::nullopt;
    for (const CExtension& extension : kExtensions)
        if (SameLetters(name.substr(dot), extension.text))
            return extension.kind;
    return std::nullopt;
}

CPictureResult LoadStereoPicture(const std::wstring& path, CPictureKind kind, const CPictureLayout& layout,
                                 CStereoPicture& picture, const CStopSignal* stop,
                                 const CDecodingTurnFunction* turn) {
    picture.left.Free();
    picture.right.Free();
    if (stop && *stop)
        return CPictureResult::kPassing;
    CPictureBytes bytes;
    CPictureResult result = ReadCodedFile(path, bytes);
    const CPictureCoding coding = CodingOf(path);
    CPictureRanges pictures;
    if (result == CPictureResult::kMade)
        result = RangesToDecode(bytes.Span(), coding, kind, layout, pictures);
    if (result != CPictureResult::kMade)
        return result;
    if (turn && !(*turn)(pictures.decoderBytes))
        return CPictureResult::kPassing;
    const std::span<const std::uint8_t> first = PictureOf(bytes.Span(), pictures.ranges[0]);
    switch (kind) {
    case CPictureKind::kSideBySide:
        result = DecodeSideBySide(first, coding, layout, picture, stop);
        break;
    case CPictureKind::kMultiPicture:
        // One picture for 2D or a file of one; else the first two, the left eye first.
        result = DecodeEye(first, coding, layout, picture.left, stop);
        if (result == CPictureResult::kMade && pictures.ranges.size() == 2)
            result =
                DecodeEye(PictureOf(bytes.Span(), pictures.ranges[1]), coding, layout, picture.right, stop);
        break;
    case CPictureKind::kFlat:
        result = DecodeEye(first, coding, layout, picture.left, stop);
        break;
    }
    if (result != CPictureResult::kMade) {
        picture.left.Free();
        picture.right.Free();
    }
    return result;
}

CPictureEntry DescribeFile(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return {path, 0, 0};
    return EntryOf(path, data);
}

CPictureResult AsListed(const CPictureEntry& entry, CPictureResult result) {
    if (result == CPictureResult::kMade || result == CPictureResult::kPassing)
        return result;
    return DescribeFile(entry.path) == entry ? result : CPictureResult::kPassing;
}
