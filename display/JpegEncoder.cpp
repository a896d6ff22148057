// The encoding side of the JPEG codec: pictures written through a file handle, rows at a time.

#include "display/JpegCodec.h"

#include "display/CodecRuntime.h"
#include "display/DibLayout.h"
#include "display/FileStream.h"
#include "framework/Handles.h"

#include <wincodec.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

// Near-lossless: the highest quality without chroma subsampling where the encoder offers it.
void SetNearLosslessOptions(IPropertyBag2* options) {
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

// The layout of the DIB that `header` describes, when the codec can encode it.
bool EncodableLayout(const BITMAPINFOHEADER& header, CDibLayout& layout) {
    const UINT bits = header.biBitCount;
    return header.biSize == kDibHeaderBytes && header.biCompression == BI_RGB &&
           (bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32) &&
           DibLayoutOf(header.biWidth, header.biHeight, bits, layout);
}

// Encodes the DIB of `header` (colour table after it) with rows `rows` through `file`.
bool EncodeDib(const BITMAPINFOHEADER& header, const BYTE* rows, const CDibLayout& layout, HANDLE file) {
    const UINT width = static_cast<UINT>(header.biWidth);
    const UINT height = static_cast<UINT>(header.biHeight < 0 ? -header.biHeight : header.biHeight);
    const auto* table =
        reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(&header) + kDibHeaderBytes);
    CJpegRowEncoder encoder;
    if (!encoder.Begin(file, width, height))
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
        if (!encoder.WriteRows(row, 1, outStride))
            return false;
    }
    return encoder.Finish();
}

bool EncodeAndPlace(const BITMAPINFOHEADER& header, const BYTE* rows, const CDibLayout& layout,
                    const char* path) {
    std::wstring target = Widen(path);
    if (target.empty())
        return false;
    // The picture is written beside its final name, under a name of its own that no other file has,
    // and put in place only when it is complete: a failed encoding leaves what the target held.
    const std::size_t slash = target.find_last_of(L"\\/");
    const std::wstring directory = slash == std::wstring::npos ? L"." : target.substr(0, slash + 1);
    wchar_t partialName[MAX_PATH];
    if (!GetTempFileNameW(directory.c_str(), L"zlt", 0, partialName))
        return false;
    const std::wstring partial = partialName;
    bool written = false;
    {
        CFileHandle file(CreateFileW(partial.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        written = file && EncodeDib(header, rows, layout, file);
    }
    if (written && MoveFileExW(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    DeleteFileW(partial.c_str());
    return false;
}

} // namespace

struct CJpegRowEncoder::CSession {
    CComRuntime com;
    CComPtr<CFileStream> stream;
    CComPtr<IWICBitmapEncoder> encoder;
    CComPtr<IWICBitmapFrameEncode> frame;
};

CJpegRowEncoder::CJpegRowEncoder() noexcept = default;

CJpegRowEncoder::~CJpegRowEncoder() = default;

bool CJpegRowEncoder::Begin(HANDLE file, unsigned width, unsigned height) noexcept {
    Abandon();
    std::unique_ptr<CSession> session(new (std::nothrow) CSession);
    if (!session)
        return false;
    // Released before the session, whose COM they need.
    CComPtr<IWICImagingFactory> factory = session->com.CreateFactory();
    CComPtr<IPropertyBag2> options;
    session->stream = CFileStream::Create(file);
    if (!factory || !session->stream ||
        FAILED(factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, session->encoder.put())) ||
        FAILED(session->encoder->Initialize(session->stream.get(), WICBitmapEncoderNoCache)) ||
        FAILED(session->encoder->CreateNewFrame(session->frame.put(), options.put())))
        return false;
    SetNearLosslessOptions(options.get());
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(session->frame->Initialize(options.get())) || FAILED(session->frame->SetSize(width, height)) ||
        FAILED(session->frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
        return false;
    m_session = std::move(session);
    return true;
}

bool CJpegRowEncoder::WriteRows(const void* rows, unsigned count, unsigned stride) noexcept {
    if (!m_session || !rows || count == 0 || stride > UINT_MAX / count)
        return false;
    return SUCCEEDED(m_session->frame->WritePixels(count, stride, stride * count,
                                                   static_cast<BYTE*>(const_cast<void*>(rows))));
}

bool CJpegRowEncoder::Finish() noexcept {
    const bool written = m_session && SUCCEEDED(m_session->frame->Commit()) &&
                         SUCCEEDED(m_session->encoder->Commit()) && m_session->stream->Flush();
    Abandon();
    return written;
}

void CJpegRowEncoder::Abandon() noexcept {
    m_session.reset();
}

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
