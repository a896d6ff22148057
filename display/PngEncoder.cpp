// The encoding side of the PNG codec: lossless pictures written through a file handle, rows at a time.

#include "display/PngCodec.h"

#include "display/CodecRuntime.h"
#include "display/FileStream.h"

#include <wincodec.h>

#include <climits>
#include <new>

struct CPngRowEncoder::CSession {
    CComRuntime com;
    CComPtr<CFileStream> stream;
    CComPtr<IWICBitmapEncoder> encoder;
    CComPtr<IWICBitmapFrameEncode> frame;
};

CPngRowEncoder::CPngRowEncoder() noexcept = default;

CPngRowEncoder::~CPngRowEncoder() = default;

bool CPngRowEncoder::Begin(HANDLE file, unsigned width, unsigned height) noexcept {
    Abandon();
    std::unique_ptr<CSession> session(new (std::nothrow) CSession);
    if (!session)
        return false;
    // Released before the session, whose COM they need.
    CComPtr<IWICImagingFactory> factory = session->com.CreateFactory();
    CComPtr<IPropertyBag2> options;
    session->stream = CFileStream::Create(file);
    if (!factory || !session->stream ||
        FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, session->encoder.put())) ||
        FAILED(session->encoder->Initialize(session->stream.get(), WICBitmapEncoderNoCache)) ||
        FAILED(session->encoder->CreateNewFrame(session->frame.put(), options.put())))
        return false;
    // The encoder's own choice of filters, not interlaced: the smallest file that it makes at its pace.
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(session->frame->Initialize(options.get())) || FAILED(session->frame->SetSize(width, height)) ||
        FAILED(session->frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
        return false;
    m_session = std::move(session);
    return true;
}

bool CPngRowEncoder::WriteRows(const void* rows, unsigned count, unsigned stride) noexcept {
    if (!m_session || !rows || count == 0 || stride > UINT_MAX / count)
        return false;
    return SUCCEEDED(m_session->frame->WritePixels(count, stride, stride * count,
                                                   static_cast<BYTE*>(const_cast<void*>(rows))));
}

bool CPngRowEncoder::Finish() noexcept {
    const bool written = m_session && SUCCEEDED(m_session->frame->Commit()) &&
                         SUCCEEDED(m_session->encoder->Commit()) && m_session->stream->Flush();
    Abandon();
    return written;
}

void CPngRowEncoder::Abandon() noexcept {
    m_session.reset();
}
