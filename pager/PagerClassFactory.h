#pragma once
// The class factory of the property-sheet extension. Created with one reference; each live factory
// counts in the library's object count.

#include <windows.h>
#include <unknwn.h>

class CPagerClassFactory final : public IClassFactory {
public:
    CPagerClassFactory() noexcept;
    CPagerClassFactory(const CPagerClassFactory&) = delete;
    CPagerClassFactory& operator=(const CPagerClassFactory&) = delete;

    // IUnknown and IClassFactory only.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    // Destroys the factory at 0; the factory is not touched after that.
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    // A new CPagerShellExt asked for `riid`; aggregation is refused.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) noexcept override;
    // There is no lock count: E_NOTIMPL.
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override;

private:
    ~CPagerClassFactory();

    ULONG m_references = 1;
};
