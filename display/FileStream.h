#pragma once
// The stream through which the picture encoders (JPEG and PNG) write their files.

#include "framework/Handles.h"

#include <objidl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

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
