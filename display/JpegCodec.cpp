#include "display/JpegCodec.h"

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

// COM is reached through ole32.dll loaded at run time, never imported: the hook library that carries
// this codec is mapped into every program that reads the keyboard and must not pull COM into them.

namespace {

// The COM entry points of ole32.dll and the thread's apartment, for the duration of one decode or
// encode. COM objects must be released before it goes: declare it before them.
class CComRuntime {
public:
    CComRuntime() : m_ole32(LoadLibraryA("ole32.dll")) {
        if (!m_ole32)
            return;
        m_initialize = GetProcedure<decltype(&CoInitializeEx)>(m_ole32, "CoInitializeEx");
        m_uninitialize = GetProcedure<decltype(&CoUninitialize)>(m_ole32, "CoUninitialize");
        m_create = GetProcedure<decltype(&CoCreateInstance)>(m_ole32, "CoCreateInstance");
        if (!m_initialize || !m_uninitialize || !m_create)
            return;
        // An apartment already entered by the thread's owner stays as it is; only a new one is left again.
        HRESULT result = m_initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        m_leave = SUCCEEDED(result);
        m_usable = SUCCEEDED(result) || result == RPC_E_CHANGED_MODE;
    }
    ~CComRuntime() {
        if (m_leave)
            m_uninitialize();
    }
    CComRuntime(const CComRuntime&) = delete;
    CComRuntime& operator=(const CComRuntime&) = delete;

    // The imaging factory; empty when COM or WIC is not available.
    CComPtr<IWICImagingFactory> CreateFactory() const {
        CComPtr<IWICImagingFactory> factory;
        if (m_usable)
            m_create(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                     factory.put_void());
        return factory;
    }

private:
    CLibrary m_ole32;
    decltype(&CoInitializeEx) m_initialize = nullptr;
    decltype(&CoUninitialize) m_uninitialize = nullptr;
    decltype(&CoCreateInstance) m_create = nullptr;
    bool m_leave = false;
    bool m_usable = false;
};

std::wstring Widen(const char* text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.pop_back();
    return wide;
}

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

// One row of a packed DIB as 24-bit blue-green-red pixels.
void RowTo24Bit(const BYTE* row, UINT width, UINT bitCount, const RGBQUAD* table, BYTE* out) {
    for (UINT x = 0; x < width; ++x) {
        BYTE blue, green, red;
        if (bitCount == 24 || bitCount == 32) {
            const BYTE* pixel = row + static_cast<size_t>(x) * (bitCount / 8);
            blue = pixel[0];
            green = pixel[1];
            red = pixel[2];
        } else {
            UINT perByte = 8 / bitCount;
            UINT shift = 8 - bitCount * (x % perByte + 1);
            UINT index = (row[x / perByte] >> shift) & ((1u << bitCount) - 1);
            blue = table[index].rgbBlue;
            green = table[index].rgbGreen;
            red = table[index].rgbRed;
        }
        out[3 * x] = blue;
        out[3 * x + 1] = green;
        out[3 * x + 2] = red;
    }
}

// Encodes the DIB of `header` (colour table after it) with rows `rows` into the file `path`.
bool EncodeToFile(IWICImagingFactory* factory, const BITMAPINFOHEADER& header, const BYTE* rows,
                  const CDibLayout& layout, const std::wstring& path) {
    const UINT width = static_cast<UINT>(header.biWidth);
    const UINT height = static_cast<UINT>(header.biHeight < 0 ? -header.biHeight : header.biHeight);
    const auto* table =
        reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(&header) + kDibHeaderBytes);

    CComPtr<IWICStream> stream;
    CComPtr<IWICBitmapEncoder> encoder;
    CComPtr<IWICBitmapFrameEncode> frame;
    CComPtr<IPropertyBag2> options;
    if (FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) ||
        FAILED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.put())) ||
        FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(frame.put(), options.put())))
        return false;

    // Near-lossless: the highest quality without chroma subsampling where the encoder offers it.
    PROPBAG2 option{};
    VARIANT value{};
    option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
    value.vt = VT_R4;
    value.fltVal = 0.98f;
    options->Write(1, &option, &value);
    option.pstrName = const_cast<LPOLESTR>(L"JpegYCrCbSubsampling");
    value.vt = VT_UI1;
    value.bVal = WICJpegYCrCbSubsampling444;
    options->Write(1, &option, &value);

    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(frame->Initialize(options.get())) || FAILED(frame->SetSize(width, height)) ||
        FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
        return false;

    // The encoder takes rows from the top; a positive height stores them from the bottom.
    const bool bottomUp = header.biHeight > 0;
    const UINT outStride = (width * 3 + 3) & ~3u;
    std::vector<BYTE> converted(header.biBitCount == 24 ? 0 : outStride);
    for (UINT y = 0; y < height; ++y) {
        const BYTE* row = rows + static_cast<size_t>(bottomUp ? height - 1 - y : y) * layout.stride;
        if (!converted.empty()) {
            RowTo24Bit(row, width, header.biBitCount, table, converted.data());
            row = converted.data();
        }
        if (FAILED(frame->WritePixels(1, outStride, outStride, const_cast<BYTE*>(row))))
            return false;
    }
    return SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
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

namespace {

// The layout of the DIB that `header` describes, when the codec can encode it.
bool EncodableLayout(const BITMAPINFOHEADER& header, CDibLayout& layout) {
    const UINT bits = header.biBitCount;
    return header.biSize == kDibHeaderBytes && header.biCompression == BI_RGB &&
           (bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32) &&
           DibLayoutOf(header.biWidth, header.biHeight, bits, layout);
}

bool EncodeAndPlace(const BITMAPINFOHEADER& header, const BYTE* rows, const CDibLayout& layout,
                    const char* path) {
    std::wstring target = Widen(path);
    if (target.empty())
        return false;
    // The picture is written beside its final name and put in place only when it is complete.
    std::wstring partial = target + L".part";
    bool written = false;
    {
        CComRuntime com;
        CComPtr<IWICImagingFactory> factory = com.CreateFactory();
        written = factory && EncodeToFile(factory.get(), header, rows, layout, partial);
    }
    if (written && MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    DeleteFileW(partial.c_str());
    return false;
}

} // namespace

bool EncodeJpegFile(HGLOBAL dib, const char* path) {
    if (!dib || !path)
        return false;
    CGlobalLock<const BYTE> lock(dib);
    if (!lock || GlobalSize(dib) < kDibHeaderBytes)
        return false;
    const auto& header = *reinterpret_cast<const BITMAPINFOHEADER*>(lock.get());
    CDibLayout layout;
    if (!EncodableLayout(header, layout) ||
        GlobalSize(dib) < static_cast<SIZE_T>(layout.headerBytes) + layout.imageBytes)
        return false;
    return EncodeAndPlace(header, lock.get() + layout.headerBytes, layout, path);
}

bool EncodeJpegDib(const BITMAPINFOHEADER* header, const void* rows, const char* path) {
    CDibLayout layout;
    if (!header || !rows || !path || !EncodableLayout(*header, layout))
        return false;
    return EncodeAndPlace(*header, static_cast<const BYTE*>(rows), layout, path);
}
