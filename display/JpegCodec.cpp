#include "display/JpegCodec.h"

#include "display/CodecRuntime.h"
#include "display/DibLayout.h"
#include "framework/Handles.h"

#include <wincodec.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

bool IsJpeg(IWICBitmapDecoder* decoder) {
    GUID format{};
    return SUCCEEDED(decoder->GetContainerFormat(&format)) && IsEqualGUID(format, GUID_ContainerFormatJpeg);
}

// Fills the 24-bit packed DIB `header` + rows from `source`, which WIC hands over top-down.
HGLOBAL PackTo24BitDib(IWICBitmapSource* source) {
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
    if (widePath.empty())
        return nullptr;
    CComRuntime com;
    CComPtr<IWICImagingFactory> factory = com.CreateFactory();
    CComPtr<IWICBitmapDecoder> decoder;
    CComPtr<IWICBitmapFrameDecode> frame;
    CComPtr<IWICFormatConverter> converter;
    if (!factory ||
        FAILED(factory->CreateDecoderFromFilename(widePath.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, decoder.put())) ||
        !IsJpeg(decoder.get()) || FAILED(decoder->GetFrame(0, frame.put())) ||
        FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone,
                                     nullptr, 0.0, WICBitmapPaletteTypeCustom)))
        return nullptr;
    return PackTo24BitDib(converter.get());
}
