#pragma once
// What the JPEG codec's decoding and encoding share: COM for the duration of one operation, and the
// wide form of a path.
//
// COM is reached through ole32.dll loaded at run time, never imported: the programs and the hook library
// that carry the codec load COM only while a picture is decoded or encoded. It comes from the system
// folder alone, whatever folder the program was started in.

#include "framework/Handles.h"

#include <wincodec.h>

#include <string>

// The COM entry points of ole32.dll and the thread's apartment, for the duration of one decode or
// encode. COM objects must be released before it goes: declare it before them.
class CComRuntime {
public:
    CComRuntime() : m_ole32(LoadLibraryExA("ole32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
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

// `text` in the ANSI code page as UTF-16; empty when it cannot be converted.
inline std::wstring Widen(const char* text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.pop_back();
    return wide;
}
