#pragma once
// A property-sheet page built from a dialog template of the resource module.
//
// The page object carries the PROPSHEETPAGEA that CreatePropertySheetPageA copies: lParam holds the
// object and PSP_USECALLBACK names PageCallback. The sheet creates the window when the page is first
// shown; the dialog procedure learns the object from WM_INITDIALOG and subclasses the window there, so
// WindowProc sees every message from WM_INITDIALOG on (earlier ones get the dialog manager's
// defaults). Messages that WindowProc leaves to CPropertyPage::WindowProc reach the dialog class's own
// procedure (DefaultProc). The object and its window part at WM_NCDESTROY or when the object goes,
// whichever comes first; who deletes the object is the owner's business.

#include "framework/Window.h"

#include <commctrl.h>

class CPropertyPage : public CWindow {
public:
    explicit CPropertyPage(UINT templateId) noexcept;
    virtual ~CPropertyPage();
    CPropertyPage(const CPropertyPage&) = delete;
    CPropertyPage& operator=(const CPropertyPage&) = delete;

    // The structure to hand to CreatePropertySheetPageA; callers may add flags and fields.
    PROPSHEETPAGEA& PageStructure() noexcept { return m_page; }

    // Enables (true) or disables the sheet's Apply button on behalf of this page.
    void SetModified(bool changed = true) const noexcept;

    // Moves data between the controls and the members: to the controls (false) or from them (true).
    // Calls DoDataExchange; false when the window does not exist.
    bool UpdateData(bool saveAndValidate = true);

    // The page callback of the structure. PSPCB_CREATE lets the window be created; every other
    // message is acknowledged with 0.
    static UINT CALLBACK PageCallback(HWND window, UINT message, LPPROPSHEETPAGEA page);

protected:
    // One window procedure per page class: a switch over the messages it handles, ending in
    // CPropertyPage::WindowProc for every other message.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The dialog class's own handling of a message.
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Binds controls to members in both directions (see UpdateData). The default does nothing.
    virtual void DoDataExchange(bool saveAndValidate);
    // WM_INITDIALOG; the default moves the members into the controls. True lets the dialog manager
    // set the focus.
    virtual BOOL OnInitDialog();
    // PSN_APPLY: the user pressed Apply or OK.
    virtual void OnOK();
    // PSN_RESET: the user pressed Cancel or closed the sheet.
    virtual void OnCancel();
    // WM_COMMAND from a control; true when handled.
    virtual bool OnCommand(WORD id, WORD notifyCode, HWND control);

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Attach(HWND window) noexcept;
    void Detach() noexcept;
    LRESULT OnNotify(const NMHDR& header, UINT message, WPARAM wParam, LPARAM lParam);

    PROPSHEETPAGEA m_page{};
    WNDPROC m_defaultProc = nullptr;
};
