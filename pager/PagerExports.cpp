// The four entry points of the in-process server.

#include "pager/PagerApp.h"
#include "pager/PagerClassFactory.h"
#include "pager/PagerRegistration.h"

#include <new>

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid != kPagerClsid)
        return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) CPagerClassFactory;
    if (!factory)
        return E_OUTOFMEMORY;
    HRESULT result = factory->QueryInterface(riid, object);
    factory->Release();
    return result;
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return ObjectCount() == 0 ? S_OK : S_FALSE;
}

HRESULT STDAPICALLTYPE DllRegisterServer() {
    try {
        RegisterPager();
    } catch (...) {
    }
    return S_OK;
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
    try {
        UnregisterPager();
    } catch (...) {
    }
    return S_OK;
}

} // extern "C"
