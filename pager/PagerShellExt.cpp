#include "pager/PagerShellExt.h"

#include "pager/ActivationContext.h"
#include "pager/PagerApp.h"
#include "pager/ZeltoPage.h"

#include <memory>
#include <new>

HRESULT STDMETHODCALLTYPE CPagerShellExt::QueryInterface(REFIID riid, void** object) noexcept {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IShellPropSheetExt)
        *object = static_cast<IShellPropSheetExt*>(this);
    else if (riid == IID_IShellExtInit)
        *object = static_cast<IShellExtInit*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPagerShellExt::AddPages(LPFNSVADDPROPSHEETPAGE addPage, LPARAM lParam) noexcept {
    if (!addPage)
        return E_INVALIDARG;
    try {
        std::unique_ptr<CZeltoPage> page(new (std::nothrow) CZeltoPage);
        if (!page)
            return S_OK;
        PROPSHEETPAGEA& structure = page->PageStructure();
        structure.dwFlags |= PSP_USEREFPARENT;
        structure.pcRefParent = ObjectCountAddress();
        structure.pfnCallback = PageCallback;

        // The page keeps the context for as long as the sheet may create its window.
        page->KeepActivationContext(CActivationContext::ForModule(PagerModule()));
        const CActivationContext& context = page->ActivationContext();
        if (context) {
            structure.dwFlags |= PSP_USEFUSIONCONTEXT;
            structure.hActCtx = context.get();
        }
        HPROPSHEETPAGE handle = nullptr;
        {
            CActivationScope scope(context);
            INITCOMMONCONTROLSEX classes{sizeof classes, ICC_HOTKEY_CLASS};
            InitCommonControlsEx(&classes);
            handle = CreatePropertySheetPageA(&structure);
        }
        // Without a handle nobody else owns the page: the holder frees it.
        if (!handle)
            return S_OK;
        page.release();
        if (!addPage(handle, lParam))
            DestroyPropertySheetPage(handle);
        return S_OK;
    } catch (...) {
        return S_OK;
    }
}

HRESULT STDMETHODCALLTYPE CPagerShellExt::ReplacePage(EXPPS, LPFNSVADDPROPSHEETPAGE, LPARAM) noexcept {
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE CPagerShellExt::Initialize(PCIDLIST_ABSOLUTE, IDataObject*, HKEY) noexcept {
    return S_OK;
}

UINT CALLBACK CPagerShellExt::PageCallback(HWND window, UINT message, LPPROPSHEETPAGEA page) noexcept {
    try {
        if (message == PSPCB_RELEASE) {
            if (page && page->lParam)
                delete reinterpret_cast<CPropertyPage*>(page->lParam);
            return 0;
        }
        return CPropertyPage::PageCallback(window, message, page);
    } catch (...) {
        return 0;
    }
}
