// The four entry points of the in-process server.

#include "pager/PagerApp.h"
#include "pager/PagerClassFactory.h"
#include "pager/PagerRegistration.h"

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (clsid != kPagerClsid)
        return CLASS_E_CLASSNOTAVAILABLE;
    return QueryNewObject<CPagerClassFactory>(riid, object);
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
