#pragma once
// The Activator page of the shell's property sheets (template 107): edits the user's own six hotkeys
// (HKEY_CURRENT_USER; the machine's are the defaults it shows until the user chooses) and keeps the
// user's Activator in step. Opening the page starts the Activator when it is not running; applying
// the page stores the hotkeys and tells a running Activator to reload (1025) or, with "Launch Zelto
// Activator on TaskBar" unticked, to end (WM_DESTROY), or starts it. The Activator told is the one
// that runs as the same user in the same session (FindOwnActivatorWindow), never another user's.

#include "framework/Handles.h"
#include "framework/PropertyPage.h"
#include "pager/ActivationContext.h"
#include "pager/PageHotKeyCtrl.h"
#include "settings/HotKeySettings.h"
#include "settings/WindowIdentity.h"

#include <array>

class CZeltoPage : public CPropertyPage {
public:
    CZeltoPage();
    ~CZeltoPage() override;

    // The activation context that the sheet uses to create the page's window; kept with the page.
    void KeepActivationContext(CActivationContext context) noexcept {
        m_activationContext = std::move(context);
    }
    const CActivationContext& ActivationContext() const noexcept { return m_activationContext; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DoDataExchange(bool saveAndValidate) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(WORD id, WORD notifyCode, HWND control) override;

private:
    // The banner belongs to the page, not to the static control, which frees no bitmap of a template
    // under Wine: set at initialisation, taken back and deleted when the window goes.
    void ShowBanner();
    void DropBanner() noexcept;
    // The running Activator of this user and session; null when there is none.
    HWND FindActivator() const;
    // Starts the Activator hidden; a failure is shown in a message box over the page.
    void StartActivator();

    std::array<CPageHotKeyCtrl, kHotKeyCount> m_hotKeyCtrls;
    // Read when the page opens: the Activator's window, and the hotkeys, which OK and Apply store.
    CWindowIdentity m_activator;
    CHotKeys m_hotKeys = kBuiltInHotKeys;
    // Check box 2000; not stored anywhere.
    int m_launch = 1;
    CActivationContext m_activationContext;
    CBitmap m_banner;
};
