// The encoding side of the JPEG codec: pictures written through a file handle, rows at a time.

#include "display/JpegCodec.h"

#include "display/CodecRuntime.h"
#include "display/DibLayout.h"
#include "framework/Handles.h"

#include <wincodec.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

// A stream over a file handle that its owner keeps open, so that the encoder writes into exactly the
// file the caller opened. The encoder hands over a few hundred bytes at a time; they are gathered
// into larger writes. Flush (or Commit) writes what is gathered: bytes still gathered when the stream
// goes are lost, so the owner flushes before it counts the file as written.
class CFileStream final : public IStream {
public:
    static CComPtr<CFileStream> Create(HANDLE file) noexcept {
        CComPtr<CFileStream> stream;
        *stream.put() = new (std::nothrow) CFileStream(file);
        if (stream && !stream->m_buffer)
            stream.reset();
        return stream;
    }

    // False when the file refused the gathered bytes (a full disk, a lost network share).
    bool Flush() noexcept {
        const BYTE* next = m_buffer.get();
        while (m_used > 0) {
            DWORD written = 0;
            if (!WriteFile(m_file, next, static_cast<DWORD>(m_used), &written, nullptr) || written == 0)
                return false;
            next += written;
            m_used -= written;
        }
        return true;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISequentialStream) ||
            IsEqualIID(iid, IID_IStream)) {
            *object = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&m_references));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&m_references);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE Read(void* data, ULONG size, ULONG* read) override {
        DWORD done = 0;
        if (!data)
            return STG_E_INVALIDPOINTER;
        const bool ok = Flush() && ReadFile(m_file, data, size, &done, nullptr);
        if (read)
            *read = done;
        return !ok ? STG_E_READFAULT : done < size ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) override {
        if (written)
            *written = 0;
        if (!data)
            return STG_E_INVALIDPOINTER;
        const auto* bytes = static_cast<const BYTE*>(data);
        for (ULONG left = size; left > 0;) {
            if (m_used == kBufferBytes && !Flush())
                return STG_E_WRITEFAULT;
            const std::size_t part = std::min<std::size_t>(left, kBufferBytes - m_used);
            std::memcpy(m_buffer.get() + m_used, bytes, part);
            m_used += part;
            bytes += part;
            left -= static_cast<ULONG>(part);
            if (written)
                *written += static_cast<ULONG>(part);
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override {
        // The stream's origins have the values of SetFilePointerEx's.
        LARGE_INTEGER moved{};
        if (origin > STREAM_SEEK_END)
            return STG_E_INVALIDFUNCTION;
        if (!Flush() || !SetFilePointerEx(m_file, move, &moved, origin))
            return STG_E_SEEKERROR;
        if (position)
            position->QuadPart = static_cast<ULONGLONG>(moved.QuadPart);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override {
        LARGE_INTEGER here{};
        LARGE_INTEGER zero{};
        LARGE_INTEGER end{};
        end.QuadPart = static_cast<LONGLONG>(size.QuadPart);
        if (!Flush() || !SetFilePointerEx(m_file, zero, &here, FILE_CURRENT) ||
            !SetFilePointerEx(m_file, end, nullptr, FILE_BEGIN))
            return STG_E_WRITEFAULT;
        const bool sized = SetEndOfFile(m_file);
        return SetFilePointerEx(m_file, here, nullptr, FILE_BEGIN) && sized ? S_OK : STG_E_WRITEFAULT;
    }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return Flush() ? S_OK : STG_E_WRITEFAULT; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* status, DWORD) override {
        // No name is given, whatever the flags ask: the stream has none of its own.
        LARGE_INTEGER size{};
        if (!status)
            return STG_E_INVALIDPOINTER;
        if (!Flush() || !GetFileSizeEx(m_file, &size))
            return STG_E_ACCESSDENIED;
        *status = STATSTG{};
        status->type = STGTY_STREAM;
        status->cbSize.QuadPart = static_cast<ULONGLONG>(size.QuadPart);
        status->grfMode = STGM_READWRITE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream** copy) override {
        if (copy)
            *copy = nullptr;
        return E_NOTIMPL;
    }

private:
    static constexpr std::size_t kBufferBytes = 64 * 1024;

    explicit CFileStream(HANDLE file) noexcept
        : m_file(file), m_buffer(new (std::nothrow) BYTE[kBufferBytes]) {}
    ~CFileStream() = default;

    LONG m_references = 1;
    HANDLE m_file;
    std::unique_ptr<BYTE[]> m_buffer;
    std::size_t m_used = 0;
};

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
