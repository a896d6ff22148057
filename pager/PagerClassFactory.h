#pragma once
// The class factory of the property-sheet extension. Created with one reference; each live factory
// counts in the library's object count.

#include "pager/PagerObject.h"

#include <windows.h>
#include <unknwn.h>

class CPagerClassFactory final : public IClassFactory, private CPagerObject {
public:
    // IUnknown and IClassFactory only.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return AddReference(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return ReleaseReference(); }
    // A new CPagerShellExt asked for `riid`; aggregation is refused.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) noexcept override;
    // There is no lock count: E_NOTIMPL.
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override;
};
