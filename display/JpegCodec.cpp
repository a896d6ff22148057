#include "display/JpegCodec.h"

#include "display/CodecRuntime.h"
#include "display/DibLayout.h"
#include "display/JpegHeader.h"
#include "framework/Handles.h"

#include <wincodec.h>

#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <vector>

namespace {

// The longest file that is read for decoding; a picture within the decoding bound needs far less.
constexpr ULONGLONG kMaxJpegFileBytes = ULONGLONG{256} << 20;

// The whole file at `path`, read while others may go on reading, writing or deleting it.
struct CFileBytes {
    std::unique_ptr<BYTE[]> data;
    DWORD size = 0;
};
bool ReadWholeFile(const std::wstring& path, CFileBytes& bytes) {
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file, &size) || size.QuadPart <= 0 ||
        static_cast<ULONGLONG>(size.QuadPart) > kMaxJpegFileBytes)
        return false;
    bytes.size = static_cast<DWORD>(size.QuadPart);
    bytes.data.reset(new (std::nothrow) BYTE[bytes.size]);
    DWORD read = 0;
    return bytes.data && ReadFile(file, bytes.data.get(), bytes.size, &read, nullptr) && read == bytes.size;
}

bool IsJpeg(IWICBitmapDecoder* decoder) {
    GUID format{};
    return SUCCEEDED(decoder->GetContainerFormat(&format)) && IsEqualGUID(format, GUID_ContainerFormatJpeg);
}

// Fills the bottom-up 24-bit `rows` from the 32-bit `source` (blue, green, red, unused), row by row.
bool CopyRowsFrom32Bit(IWICBitmapSource* source, UINT width, UINT height, const CDibLayout& layout,
                       BYTE* rows) {
    std::unique_ptr<BYTE[]> row(new (std::nothrow) BYTE[4 * static_cast<size_t>(width)]);
    if (!row)
        return false;
    for (UINT y = 0; y < height; ++y) {
        const WICRect line{0, static_cast<INT>(y), static_cast<INT>(width), 1};
        if (FAILED(source->CopyPixels(&line, 4 * width, 4 * width, row.get())))
            return false;
        BYTE* out = rows + static_cast<size_t>(height - 1 - y) * layout.stride;
        for (UINT x = 0; x < width; ++x)
            std::memcpy(out + 3 * static_cast<size_t>(x), row.get() + 4 * static_cast<size_t>(x), 3);
    }
    return true;
}

// Fills the 24-bit packed DIB `header` + rows from `source`, which WIC hands over top-down in 24-bit
// (`sourceBytes` 3) or 32-bit (4) blue-green-red pixels.
HGLOBAL PackTo24BitDib(IWICBitmapSource* source, UINT sourceBytes) {
    UINT width = 0;
    UINT height = 0;
    CDibLayout layout;
    if (FAILED(source->GetSize(&width, &height)) || !DibLayoutOf(width, height, 24, layout))
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
        header.biWidth = static_cast<LONG>(width);
        header.biHeight = static_cast<LONG>(height);
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        header.biSizeImage = layout.imageBytes;
        std::memcpy(lock.get(), &header, sizeof header);
        BYTE* rows = lock.get() + kDibHeaderBytes;
        if (sourceBytes == 4)
            return CopyRowsFrom32Bit(source, width, height, layout, rows) ? memory.release() : nullptr;
        if (FAILED(source->CopyPixels(nullptr, layout.stride, layout.imageBytes, rows)))
            return nullptr;
        // Top-down as decoded; a DIB with a positive height stores the bottom row first.
        std::vector<BYTE> swap(layout.stride);
        for (UINT top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
            BYTE* upper = rows + static_cast<size_t>(top) * layout.stride;
            BYTE* lower = rows + static_cast<size_t>(bottom) * layout.stride;
            std::memcpy(swap.data(), upper, layout.stride);
            std::memcpy(upper, lower, layout.stride);
            std::memcpy(lower, swap.data(), layout.stride);
        }
    }
    return memory.release();
}

} // namespace

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

HGLOBAL DecodeJpegFile(const char* path) {
    if (!path)
        return nullptr;
    std::wstring widePath = Widen(path);
    CFileBytes bytes;
    if (widePath.empty() || !ReadWholeFile(widePath, bytes))
        return nullptr;
    // The bytes that pass the size check are the bytes decoded, whatever happens to the file meanwhile.
    CJpegFrame header;
    if (ReadJpegFrame(std::span<const std::uint8_t>(bytes.data.get(), bytes.size), header) !=
            CJpegFrameResult::kFrame ||
        !IsDecodablePictureSize(header.width, header.height))
        return nullptr;

    CComRuntime com;
    CComPtr<IWICImagingFactory> factory = com.CreateFactory();
    CComPtr<IWICStream> stream;
    CComPtr<IWICBitmapDecoder> decoder;
    CComPtr<IWICBitmapFrameDecode> frame;
    CComPtr<IWICFormatConverter> converter;
    UINT width = 0;
    UINT height = 0;
    if (!factory || FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(bytes.data.get(), bytes.size)) ||
        FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.put())) ||
        !IsJpeg(decoder.get()) || FAILED(decoder->GetFrame(0, frame.put())) ||
        FAILED(frame->GetSize(&width, &height)) || !IsDecodablePictureSize(width, height))
        return nullptr;
    // 24-bit pixels where the converter makes them, else 32-bit ones, which it makes from more
    // sources (Wine's accepts grey pictures for 24 bits but then fails to copy them).
    for (UINT pixelBytes : {3u, 4u}) {
        const WICPixelFormatGUID& format =
            pixelBytes == 3 ? GUID_WICPixelFormat24bppBGR : GUID_WICPixelFormat32bppBGR;
        if (SUCCEEDED(factory->CreateFormatConverter(converter.put())) &&
            SUCCEEDED(converter->Initialize(frame.get(), format, WICBitmapDitherTypeNone, nullptr, 0.0,
                                            WICBitmapPaletteTypeCustom)))
            if (HGLOBAL dib = PackTo24BitDib(converter.get(), pixelBytes))
                return dib;
    }
    return nullptr;
}
