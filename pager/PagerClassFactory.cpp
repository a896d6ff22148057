#include "pager/PagerClassFactory.h"

#include "pager/PagerShellExt.h"

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

HRESULT STDMETHODCALLTYPE CPagerClassFactory::CreateInstance(IUnknown* outer, REFIID riid,
                                                             void** object) noexcept {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return QueryNewObject<CPagerShellExt>(riid, object);
}

HRESULT STDMETHODCALLTYPE CPagerClassFactory::LockServer(BOOL) noexcept {
    return E_NOTIMPL;
}
