#pragma once
// The property-sheet extension object: hands the shell's property sheets the Activator page. Created
// with one reference; each live object counts in the library's object count.
//
// It implements IShellExtInit as well: the shell initialises a property-sheet handler with the
// selected items and drops a handler that lacks the interface, so without it the page would never
// reach the shell's Properties sheets. The page does not depend on the items.

#include "pager/PagerObject.h"

#include <windows.h>
#include <shobjidl.h>

class CPagerShellExt final : public IShellPropSheetExt, public IShellExtInit, private CPagerObject {
public:
    // IUnknown, IShellPropSheetExt and IShellExtInit only.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return AddReference(); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return ReleaseReference(); }
    // Creates one page and offers it through `addPage`; S_OK whether or not a page was added.
    // E_INVALIDARG without a callback.
    HRESULT STDMETHODCALLTYPE AddPages(LPFNSVADDPROPSHEETPAGE addPage, LPARAM lParam) noexcept override;
    // E_FAIL: the extension replaces no page.
    HRESULT STDMETHODCALLTYPE ReplacePage(EXPPS pageId, LPFNSVADDPROPSHEETPAGE replaceWith,
                                          LPARAM lParam) noexcept override;

    // Accepts any items: S_OK.
    HRESULT STDMETHODCALLTYPE Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* items,
                                         HKEY progId) noexcept override;

    // The page callback of every page that AddPages creates: PSPCB_RELEASE destroys the page object
    // (the sheet is done with it); every other message goes to the framework's page callback.
    static UINT CALLBACK PageCallback(HWND window, UINT message, LPPROPSHEETPAGEA page) noexcept;
};
