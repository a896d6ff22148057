#include "pager/PagerClassFactory.h"

#include "pager/PagerApp.h"
#include "pager/PagerShellExt.h"

#include <new>

CPagerClassFactory::CPagerClassFactory() noexcept {
    IncrementObjectCount();
}

CPagerClassFactory::~CPagerClassFactory() {
    DecrementObjectCount();
}

HRESULT STDMETHODCALLTYPE CPagerClassFactory::QueryInterface(REFIID riid, void** object) noexcept {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory)
        return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CPagerClassFactory::AddRef() noexcept {
    return ++m_references;
}

ULONG STDMETHODCALLTYPE CPagerClassFactory::Release() noexcept {
    ULONG left = --m_references;
    if (left == 0)
        delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE CPagerClassFactory::CreateInstance(IUnknown* outer, REFIID riid,
                                                             void** object) noexcept {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    auto* extension = new (std::nothrow) CPagerShellExt;
    if (!extension)
        return E_OUTOFMEMORY;
    // The query adds the caller's reference; the Release drops the creation's, and so destroys the
    // object at once when the query failed.
    HRESULT result = extension->QueryInterface(riid, object);
    extension->Release();
    return result;
}

HRESULT STDMETHODCALLTYPE CPagerClassFactory::LockServer(BOOL) noexcept {
    return E_NOTIMPL;
}
