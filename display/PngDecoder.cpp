// The decoding side of the PNG codec: files read within the decoding bound, and their rows decoded.

#include "display/PngCodec.h"

#include "display/CodecRuntime.h"
#include "display/JpegHeader.h"
#include "display/PngHeader.h"
#include "framework/DiskFile.h"

#include <wincodec.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

namespace {

// The longest file that is read for decoding, as for JPEG files.
constexpr ULONGLONG kMaxPngFileBytes = ULONGLONG{128} << 20;

// Rows converted at a time from 32-bit pixels.
constexpr UINT kConvertedRows = 16;

bool Stopped(const CStopSignal* stop) {
    return stop && stop->load();
}

// A decoded frame's rows in 24-bit pixels. An opaque picture is converted to 24 bits where WIC can
// (otherwise to 32 bits, the fourth byte dropped here); one with transparency to 32 bits with its
// colours multiplied by their opacity, which is the picture over black.
class CPngRows final : public CRowSource {
public:
    explicit CPngRows(const CStopSignal* stop) : m_stop(stop) {}

    bool Open(IWICImagingFactory* factory, IWICBitmapSource* frame, UINT width, bool transparent) {
        m_width = width;
        const WICPixelFormatGUID* const opaque[] = {&GUID_WICPixelFormat24bppBGR,
                                                    &GUID_WICPixelFormat32bppBGR};
        const WICPixelFormatGUID* const overBlack[] = {&GUID_WICPixelFormat32bppPBGRA};
        const std::span<const WICPixelFormatGUID* const> formats =
            transparent ? std::span<const WICPixelFormatGUID* const>(overBlack) : opaque;
        for (const WICPixelFormatGUID* format : formats) {
            m_pixelBytes = IsEqualGUID(*format, GUID_WICPixelFormat24bppBGR) ? 3 : 4;
            m_converter.reset();
            if (FAILED(factory->CreateFormatConverter(m_converter.put())) ||
                FAILED(m_converter->Initialize(frame, *format, WICBitmapDitherTypeNone, nullptr, 0.0,
                                               WICBitmapPaletteTypeCustom)))
                continue;
            m_wide.reset(new (std::nothrow) BYTE[4 * static_cast<size_t>(width) * kConvertedRows]);
            std::unique_ptr<BYTE[]> firstRow(new (std::nothrow) BYTE[3 * static_cast<size_t>(width)]);
            if (!m_wide || !firstRow) {
                m_outOfMemory = true;
                return false;
            }
            // The first row (which decodes the picture) tells whether the converter can make this format.
            if (ReadRows(0, 1, firstRow.get(), 3 * static_cast<size_t>(width)))
                return true;
            if (Stopped(m_stop))
                return false;
        }
        return false;
    }

    // Whether Open failed for want of memory.
    bool OutOfMemory() const noexcept { return m_outOfMemory; }

    bool ReadRows(std::uint32_t first, std::uint32_t count, std::uint8_t* rows, std::size_t stride) override {
        if (count == 0 || stride > UINT_MAX / count || Stopped(m_stop))
            return false;
        if (m_pixelBytes == 3) {
            const WICRect band{0, static_cast<INT>(first), static_cast<INT>(m_width),
                               static_cast<INT>(count)};
            return SUCCEEDED(m_converter->CopyPixels(&band, static_cast<UINT>(stride),
                                                     static_cast<UINT>(stride * (count - 1) + 3 * m_width),
                                                     rows));
        }
        for (std::uint32_t done = 0; done < count;) {
            const UINT now = std::min(count - done, kConvertedRows);
            const WICRect band{0, static_cast<INT>(first + done), static_cast<INT>(m_width),
                               static_cast<INT>(now)};
            if (Stopped(m_stop) ||
                FAILED(m_converter->CopyPixels(&band, 4 * m_width, 4 * m_width * now, m_wide.get())))
                return false;
            for (UINT r = 0; r < now; ++r, ++done) {
                const BYTE* in = m_wide.get() + static_cast<size_t>(r) * 4 * m_width;
                BYTE* out = rows + done * stride;
                for (UINT x = 0; x < m_width; ++x)
                    std::memcpy(out + 3 * static_cast<size_t>(x), in + 4 * static_cast<size_t>(x), 3);
            }
        }
        return true;
    }

private:
    const CStopSignal* m_stop;
    CComPtr<IWICFormatConverter> m_converter;
    UINT m_width = 0;
    UINT m_pixelBytes = 3;
    std::unique_ptr<BYTE[]> m_wide;
    bool m_outOfMemory = false;
};

} // namespace

CPictureResult ReadPngPictureFile(const wchar_t* path, CPictureBytes& bytes) {
    bytes = CPictureBytes();
    CFileHandle file(OpenDiskFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file, &size))
        return CPictureResult::kPassing;
    if (size.QuadPart <= 0)
        return CPictureResult::kNotAPicture;
    if (static_cast<ULONGLONG>(size.QuadPart) > kMaxPngFileBytes)
        return CPictureResult::kBeyondBound;
    const auto fileBytes = static_cast<std::size_t>(size.QuadPart);
    const DWORD headerBytes = static_cast<DWORD>(std::min(fileBytes, kPictureHeaderBytes));
    std::vector<std::uint8_t> first(headerBytes);
    DWORD read = 0;
    if (!ReadFile(file, first.data(), headerBytes, &read, nullptr) || read != headerBytes)
        return CPictureResult::kPassing;
    // The header is in the first few dozen bytes; its coded data cannot be longer than the file.
    CPngHeader header;
    switch (ReadPngHeader(first, header)) {
    case CPngResult::kPicture:
        if (!IsDecodablePng(header, fileBytes))
            return CPictureResult::kBeyondBound;
        break;
    default:
        // Cut inside its header, the whole file was read (the header is a few dozen bytes): as a JPEG
        // file cut there, it holds no picture. One still being written is tried again once it has
        // grown (AsListed).
        return CPictureResult::kNotAPicture;
    }
    // Only now, for a file that may hold a picture within the bound, is its length taken in memory.
    std::unique_ptr<std::uint8_t[]> whole(new (std::nothrow) std::uint8_t[fileBytes]);
    if (!whole)
        return CPictureResult::kPassing;
    std::memcpy(whole.get(), first.data(), headerBytes);
    const auto rest = static_cast<DWORD>(fileBytes - headerBytes);
    if (rest > 0 && (!ReadFile(file, whole.get() + headerBytes, rest, &read, nullptr) || read != rest))
        return CPictureResult::kPassing;
    CPngPicture picture;
    if (ReadPngPicture({whole.get(), fileBytes}, picture) != CPngResult::kPicture)
        return CPictureResult::kDamaged;
    if (!IsDecodablePng(picture.header, picture.codedBytes))
        return CPictureResult::kBeyondBound;
    bytes.data = std::move(whole);
    bytes.size = fileBytes;
    return CPictureResult::kMade;
}

CPictureResult DecodePngRows(std::span<const std::uint8_t> png,
                             const std::function<bool(CPictureSize size, CRowSource& rows)>& use,
                             const CStopSignal* stop) {
    CPngPicture picture;
    if (png.size() > kMaxPngFileBytes)
        return CPictureResult::kBeyondBound;
    switch (ReadPngPicture(png, picture)) {
    case CPngResult::kPicture:
        break;
    case CPngResult::kNotPng:
        return CPictureResult::kNotAPicture;
    default:
        return CPictureResult::kDamaged;
    }
    if (!IsDecodablePng(picture.header, picture.codedBytes))
        return CPictureResult::kBeyondBound;
    if (Stopped(stop))
        return CPictureResult::kPassing;

    CComRuntime com;
    CComPtr<IWICImagingFactory> factory = com.CreateFactory();
    CComPtr<IWICStream> stream;
    CComPtr<IWICBitmapDecoder> decoder;
    CComPtr<IWICBitmapFrameDecode> frame;
    if (!factory || FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(png.data()), static_cast<DWORD>(png.size()))))
        return CPictureResult::kPassing;
    GUID container{};
    UINT width = 0;
    UINT height = 0;
    HRESULT result = factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                      decoder.put());
    if (SUCCEEDED(result))
        result = decoder->GetContainerFormat(&container);
    if (SUCCEEDED(result))
        result = decoder->GetFrame(0, frame.put());
    if (SUCCEEDED(result))
        result = frame->GetSize(&width, &height);
    if (FAILED(result))
        return DecodingFailureOf(result);
    // The decoder must see the picture that the header reader measured.
    if (!IsEqualGUID(container, GUID_ContainerFormatPng) || width != picture.header.width ||
        height != picture.header.height)
        return CPictureResult::kDamaged;
    CPngRows rows(stop);
    const bool transparent = picture.header.HasAlpha() || picture.transparency;
    if (!rows.Open(factory.get(), frame.get(), width, transparent))
        return Stopped(stop) || rows.OutOfMemory() ? CPictureResult::kPassing : CPictureResult::kDamaged;
    return use({width, height}, rows) ? CPictureResult::kMade : CPictureResult::kPassing;
}
