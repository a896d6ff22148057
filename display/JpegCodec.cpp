#include "display/JpegCodec.h"

#include "display/CodecRuntime.h"
#include "display/DibLayout.h"
#include "display/JpegHeader.h"
#include "framework/DiskFile.h"
#include "framework/Handles.h"

#include <wincodec.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

bool Stopped(const CStopSignal* stop) {
    return stop && stop->load();
}

// The longest file that is read for decoding. Real pictures take a few pixels a byte: two 8000 x 6000
// camera pictures need a few tens of megabytes.
constexpr ULONGLONG kMaxJpegFileBytes = ULONGLONG{128} << 20;

// Rows converted at a time from 32-bit pixels.
constexpr UINT kConvertedRows = 16;

// What a failure of the decoder says of the picture: memory that ran out may be had at another try;
// anything else is the picture's data.
bool IsJpeg(IWICBitmapDecoder* decoder) {
    GUID format{};
    return SUCCEEDED(decoder->GetContainerFormat(&format)) && IsEqualGUID(format, GUID_ContainerFormatJpeg);
}

// A decoded frame's rows in 24-bit pixels, which WIC's converter makes for most pictures, or else in
// 32-bit ones converted here (Wine's converter accepts grey pictures for 24 bits but then fails to
// copy them).
class CFrameRows final : public CRowSource {
public:
    explicit CFrameRows(const CStopSignal* stop) : m_stop(stop) {}

    bool Open(IWICImagingFactory* factory, IWICBitmapSource* frame, UINT width) {
        m_width = width;
        for (UINT pixelBytes : {3u, 4u}) {
            const WICPixelFormatGUID& format =
                pixelBytes == 3 ? GUID_WICPixelFormat24bppBGR : GUID_WICPixelFormat32bppBGR;
            m_pixelBytes = pixelBytes;
            HRESULT result = factory->CreateFormatConverter(m_converter.put());
            if (SUCCEEDED(result))
                result = m_converter->Initialize(frame, format, WICBitmapDitherTypeNone, nullptr, 0.0,
                                                 WICBitmapPaletteTypeCustom);
            if (Failed(result))
                continue;
            m_wide.reset(new (std::nothrow) BYTE[4 * static_cast<size_t>(width) * kConvertedRows]);
            std::unique_ptr<BYTE[]> firstRow(new (std::nothrow) BYTE[3 * static_cast<size_t>(width)]);
            // The first row tells whether the converter can make this format.
            if (m_wide && firstRow && ReadRows(0, 1, firstRow.get(), 3 * static_cast<size_t>(width))) {
                m_failure = S_OK;
                return true;
            }
        }
        return false;
    }

    bool ReadRows(std::uint32_t first, std::uint32_t count, std::uint8_t* rows, std::size_t stride) override {
        if (count == 0 || stride > UINT_MAX / count || Stopped(m_stop))
            return false;
        if (m_pixelBytes == 3) {
            const WICRect band{0, static_cast<INT>(first), static_cast<INT>(m_width),
                               static_cast<INT>(count)};
            return !Failed(m_converter->CopyPixels(&band, static_cast<UINT>(stride),
                                                   static_cast<UINT>(stride * (count - 1) + 3 * m_width),
                                                   rows));
        }
        for (std::uint32_t done = 0; done < count;) {
            const UINT now = std::min(count - done, kConvertedRows);
            const WICRect band{0, static_cast<INT>(first + done), static_cast<INT>(m_width),
                               static_cast<INT>(now)};
            if (Failed(m_converter->CopyPixels(&band, 4 * m_width, 4 * m_width * now, m_wide.get())))
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

    // The last failure of the decoder, S_OK while there was none.
    HRESULT Failure() const { return m_failure; }

private:
    bool Failed(HRESULT result) {
        if (FAILED(result))
            m_failure = result;
        return FAILED(result);
    }

    const CStopSignal* m_stop;
    HRESULT m_failure = S_OK;
    CComPtr<IWICFormatConverter> m_converter;
    UINT m_width = 0;
    UINT m_pixelBytes = 3;
    std::unique_ptr<BYTE[]> m_wide;
};

// IWICBitmapSourceTransform, which MinGW's wincodec.h lacks: a frame that the decoder can scale while
// decoding (Windows' JPEG decoder offers it; Wine's does not).
struct ISourceTransform : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height,
                                                 WICPixelFormatGUID* format,
                                                 WICBitmapTransformOptions transform, UINT stride,
                                                 UINT bufferSize, BYTE* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform,
                                                           BOOL* supported) = 0;
};
constexpr IID kSourceTransformId = {
    0x3B16811B, 0x6A43, 0x4EC9, {0xB7, 0x13, 0x3D, 0x5A, 0x0C, 0x13, 0xB9, 0x40}};

// The frame decoded at a smaller size that is still at least the wanted one, whole, in 24-bit pixels.
class CReducedRows final : public CRowSource {
public:
    // False when the decoder offers no smaller size at least as large as `wanted`, or fails.
    bool Decode(IWICBitmapFrameDecode* frame, CPictureSize wanted, CPictureSize full,
                const CStopSignal* stop) {
        CComPtr<ISourceTransform> transform;
        if (Stopped(stop) || FAILED(frame->QueryInterface(kSourceTransformId, transform.put_void())))
            return false;
        UINT width = wanted.width;
        UINT height = wanted.height;
        // The closest size may fall short of the wanted one: then the next larger step is taken.
        if (FAILED(transform->GetClosestSize(&width, &height)))
            return false;
        if (width < wanted.width || height < wanted.height) {
            width = std::min(2 * wanted.width, full.width);
            height = std::min(2 * wanted.height, full.height);
            if (FAILED(transform->GetClosestSize(&width, &height)))
                return false;
        }
        WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
        if (width < wanted.width || height < wanted.height || width >= full.width || height >= full.height ||
            FAILED(transform->GetClosestPixelFormat(&format)) ||
            !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
            return false;
        m_stride = (3 * static_cast<size_t>(width) + 3) / 4 * 4;
        m_pixels.reset(new (std::nothrow) BYTE[m_stride * height]);
        m_size = {width, height};
        return m_pixels &&
               SUCCEEDED(transform->CopyPixels(nullptr, width, height, &format, WICBitmapTransformRotate0,
                                               static_cast<UINT>(m_stride),
                                               static_cast<UINT>(m_stride * height), m_pixels.get()));
    }
    CPictureSize Size() const { return m_size; }

    bool ReadRows(std::uint32_t first, std::uint32_t count, std::uint8_t* rows, std::size_t stride) override {
        if (first > m_size.height || m_size.height - first < count)
            return false;
        for (std::uint32_t r = 0; r < count; ++r)
            std::memcpy(rows + r * stride, m_pixels.get() + (first + r) * m_stride, 3 * size_t{m_size.width});
        return true;
    }

private:
    std::unique_ptr<BYTE[]> m_pixels;
    size_t m_stride = 0;
    CPictureSize m_size;
};

// The 24-bit packed DIB of a `size` picture made from `rows`.
HGLOBAL PackTo24BitDib(CPictureSize size, CRowSource& rows) {
    CDibLayout layout;
    if (!DibLayoutOf(size.width, size.height, 24, layout))
        return nullptr;
    CGlobalMemory memory(
        GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(kDibHeaderBytes) + layout.imageBytes));
    if (!memory)
        return nullptr;
    {
        CGlobalLock<BYTE> lock(memory);
        if (!lock)
            return nullptr;
        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = static_cast<LONG>(size.width);
        header.biHeight = static_cast<LONG>(size.height);
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        header.biSizeImage = layout.imageBytes;
        std::memcpy(lock.get(), &header, sizeof header);
        BYTE* pixels = lock.get() + kDibHeaderBytes;
        if (!rows.ReadRows(0, size.height, pixels, layout.stride))
            return nullptr;
        // Top-down as decoded; a DIB with a positive height stores the bottom row first.
        std::vector<BYTE> swap(layout.stride);
        for (UINT top = 0, bottom = size.height - 1; top < bottom; ++top, --bottom) {
            BYTE* upper = pixels + static_cast<size_t>(top) * layout.stride;
            BYTE* lower = pixels + static_cast<size_t>(bottom) * layout.stride;
            std::memcpy(swap.data(), upper, layout.stride);
            std::memcpy(upper, lower, layout.stride);
            std::memcpy(lower, swap.data(), layout.stride);
        }
    }
    return memory.release();
}

} // namespace

CPictureResult DecodingFailureOf(HRESULT failure) {
    return failure == E_OUTOFMEMORY || failure == HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY) ||
                   failure == HRESULT_FROM_WIN32(ERROR_OUTOFMEMORY)
               ? CPictureResult::kPassing
               : CPictureResult::kDamaged;
}

unsigned CheckCodecModules(unsigned modules) {
    // The imaging component ships with every Windows from Vista on; asking the version loads nothing.
    OSVERSIONINFOEXA version{};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 0;
    DWORDLONG mask = VerSetConditionMask(VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL),
                                         VER_MINORVERSION, VER_GREATER_EQUAL);
    return VerifyVersionInfoA(&version, VER_MAJORVERSION | VER_MINORVERSION, mask) ? modules : 0;
}

unsigned LoadCodecModules(unsigned modules) {
    if (CheckCodecModules(modules) != modules)
        return 0;
    CComRuntime com;
    CComPtr<IWICImagingFactory> factory = com.CreateFactory();
    if (!factory)
        return 0;
    CComPtr<IWICBitmapEncoder> encoder;
    CComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.put())) ||
        FAILED(factory->CreateFormatConverter(converter.put())))
        return 0;
    return modules;
}

void UnloadCodecModules(unsigned) {
    // Every decode and encode releases what it loaded; nothing is held between calls.
}

CPictureResult ReadPictureFile(const wchar_t* path, CPictureBytes& bytes) {
    bytes = CPictureBytes();
    CFileHandle file(OpenDiskFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file, &size))
        return CPictureResult::kPassing;
    if (size.QuadPart <= 0)
        return CPictureResult::kNotAPicture;
    if (static_cast<ULONGLONG>(size.QuadPart) > kMaxJpegFileBytes)
        return CPictureResult::kBeyondBound;
    const auto fileBytes = static_cast<std::size_t>(size.QuadPart);
    const DWORD headerBytes = static_cast<DWORD>(std::min(fileBytes, kPictureHeaderBytes));
    std::vector<std::uint8_t> header(headerBytes);
    DWORD read = 0;
    if (!ReadFile(file, header.data(), headerBytes, &read, nullptr) || read != headerBytes)
        return CPictureResult::kPassing;
    // A frame header or a first scan beyond the bytes read is looked at once the whole file is.
    const bool whole = headerBytes == fileBytes;
    CJpegFrame frame;
    switch (ReadJpegFrame(header, frame)) {
    case CJpegFrameResult::kFrame:
        if ((frame.scanOffset > 0 || whole) && !IsDecodablePicture(frame, fileBytes))
            return CPictureResult::kBeyondBound;
        break;
    case CJpegFrameResult::kTruncated:
        if (whole)
            return CPictureResult::kNotAPicture;
        break;
    default:
        return CPictureResult::kNotAPicture;
    }
    bytes.data.reset(new (std::nothrow) std::uint8_t[fileBytes]);
    if (!bytes.data)
        return CPictureResult::kPassing;
    std::memcpy(bytes.data.get(), header.data(), headerBytes);
    const auto rest = static_cast<DWORD>(fileBytes - headerBytes);
    if (rest > 0 && (!ReadFile(file, bytes.data.get() + headerBytes, rest, &read, nullptr) || read != rest)) {
        bytes.data.reset();
        return CPictureResult::kPassing;
    }
    bytes.size = fileBytes;
    return CPictureResult::kMade;
}

CPictureResult DecodeJpegRows(std::span<const std::uint8_t> jpeg, CPictureSize wanted,
                              const std::function<bool(CPictureSize size, CRowSource& rows)>& use,
                              const CStopSignal* stop) {
    CJpegFrame header;
    if (jpeg.size() > kMaxJpegFileBytes)
        return CPictureResult::kBeyondBound;
    if (ReadJpegFrame(jpeg, header) != CJpegFrameResult::kFrame)
        return CPictureResult::kNotAPicture;
    if (!IsDecodablePicture(header, jpeg.size()))
        return CPictureResult::kBeyondBound;
    if (Stopped(stop))
        return CPictureResult::kPassing;

    CComRuntime com;
    CComPtr<IWICImagingFactory> factory = com.CreateFactory();
    CComPtr<IWICStream> stream;
    CComPtr<IWICBitmapDecoder> decoder;
    CComPtr<IWICBitmapFrameDecode> frame;
    // The stream only reads the bytes, whatever its signature says.
    if (!factory || FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(jpeg.data()), static_cast<DWORD>(jpeg.size()))))
        return CPictureResult::kPassing;
    HRESULT result = factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                      decoder.put());
    if (FAILED(result))
        return DecodingFailureOf(result);
    if (!IsJpeg(decoder.get()))
        return CPictureResult::kNotAPicture;
    UINT width = 0;
    UINT height = 0;
    result = decoder->GetFrame(0, frame.put());
    if (SUCCEEDED(result))
        result = frame->GetSize(&width, &height);
    if (FAILED(result))
        return DecodingFailureOf(result);
    // The decoder must see the picture that the header reader measured.
    if (width != header.width || height != header.height)
        return CPictureResult::kDamaged;
    const CPictureSize full{width, height};
    if (wanted.width > 0 && wanted.height > 0 && (wanted.width < width || wanted.height < height)) {
        CReducedRows reduced;
        if (reduced.Decode(frame.get(), wanted, full, stop))
            return use(reduced.Size(), reduced) ? CPictureResult::kMade : CPictureResult::kPassing;
        if (Stopped(stop))
            return CPictureResult::kPassing;
    }
    CFrameRows rows(stop);
    if (rows.Open(factory.get(), frame.get(), width) && use(full, rows))
        return CPictureResult::kMade;
    return Stopped(stop) || rows.Failure() == S_OK ? CPictureResult::kPassing
                                                   : DecodingFailureOf(rows.Failure());
}

HGLOBAL DecodeJpegFile(const char* path) {
    CPictureBytes bytes;
    const std::wstring widePath = path ? Widen(path) : std::wstring();
    if (widePath.empty() || ReadPictureFile(widePath.c_str(), bytes) != CPictureResult::kMade)
        return nullptr;
    // The bytes that pass the size check are the bytes decoded, whatever happens to the file meanwhile.
    HGLOBAL dib = nullptr;
    DecodeJpegRows(bytes.Span(), {}, [&](CPictureSize size, CRowSource& rows) {
        dib = PackTo24BitDib(size, rows);
        return dib != nullptr;
    });
    return dib;
}
