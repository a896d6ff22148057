#include "pager/ZeltoPage.h"

#include "framework/Resources.h"
#include "pager/PagerApp.h"
#include "pager/ProgramPath.h"
#include "pager/resource.h"
#include "settings/ActivatorMessages.h"

#include <shellapi.h>

namespace {

// The hotkey controls, in the order of the hotkeys.
constexpr int kHotKeyControlIds[kHotKeyCount] = {IDC_PAGE_HOTKEY_INTERLACE,  IDC_PAGE_HOTKEY_PAGEFLIP,
                                                 IDC_PAGE_HOTKEY_SYNCDOUBLE, IDC_PAGE_HOTKEY_LINEBLANK,
                                                 IDC_PAGE_HOTKEY_NORMAL,     IDC_PAGE_HOTKEY_CAPTURE};

// The caption of the library's message boxes: its file name without the extension.
std::string LibraryTitle() {
    std::string name = PagerModulePath();
    name.erase(0, name.find_last_of("\\/") + 1);
    if (auto dot = name.find_last_of('.'); dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

} // namespace

// The page counts itself in the object count as well as through the sheet's reference-parent
// pointer: Wine's comctl32 ignores PSP_USEREFPARENT, and the library must stay loaded while a sheet
// holds a page of it.
CZeltoPage::CZeltoPage() : CPropertyPage(IDD_ZELTO_PAGE) {
    IncrementObjectCount();
}

CZeltoPage::~CZeltoPage() {
    DecrementObjectCount();
}

LRESULT CZeltoPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        DropBanner();
        break;
    default:
        break;
    }
    return CPropertyPage::WindowProc(message, wParam, lParam);
}

void CZeltoPage::ShowBanner() {
    m_banner.reset(static_cast<HBITMAP>(LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(IDB_PAGE_BANNER),
                                                   IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    if (m_banner)
        SendItemMessage(IDC_PAGE_BANNER, STM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(m_banner.get()));
}

void CZeltoPage::DropBanner() noexcept {
    auto shown = reinterpret_cast<HBITMAP>(SendItemMessage(IDC_PAGE_BANNER, STM_SETIMAGE, IMAGE_BITMAP, 0));
    // Common Controls 6 may show a copy of a bitmap with alpha; the copy is the caller's to delete.
    if (shown && shown != m_banner.get())
        DeleteObject(shown);
    m_banner.reset();
}

void CZeltoPage::DoDataExchange(bool saveAndValidate) {
    for (int i = 0; i < kHotKeyCount; ++i)
        m_hotKeyCtrls[i].Bind(*this, kHotKeyControlIds[i]);
    if (saveAndValidate)
        m_launch = IsDlgButtonChecked(m_hWnd, IDC_PAGE_LAUNCH) == BST_CHECKED ? 1 : 0;
    else
        CheckDlgButton(m_hWnd, IDC_PAGE_LAUNCH, m_launch ? BST_CHECKED : BST_UNCHECKED);
}

BOOL CZeltoPage::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    ShowBanner();
    ReadWindowIdentity(m_activator);
    ReadHotKeys(m_hotKeys);
    for (int i = 0; i < kHotKeyCount; ++i)
        m_hotKeyCtrls[i].SetHotKey(m_hotKeys[i].virtualKey, m_hotKeys[i].modifiers);
    if (!FindActivator())
        StartActivator();
    return TRUE;
}

void CZeltoPage::OnOK() {
    UpdateData(true);
    for (int i = 0; i < kHotKeyCount; ++i)
        m_hotKeyCtrls[i].GetHotKey(m_hotKeys[i].virtualKey, m_hotKeys[i].modifiers);
    WriteHotKeys(m_hotKeys);

    // Posted, after the writes: the Activator reads the registry when it gets to the message.
    if (HWND activator = FindActivator())
        PostMessageA(activator, m_launch ? kMsgReloadSettings : WM_DESTROY, 0, 0);
    else if (m_launch)
        StartActivator();
}

void CZeltoPage::OnCancel() {}

bool CZeltoPage::OnCommand(WORD id, WORD notifyCode, HWND) {
    if (id == IDC_PAGE_LAUNCH && notifyCode == BN_CLICKED) {
        SetModified(true);
        return true;
    }
    return false;
}

HWND CZeltoPage::FindActivator() const {
    return FindOwnActivatorWindow(m_activator);
}

void CZeltoPage::StartActivator() {
    const std::string program = ActivatorBesideModule(PagerModulePath());
    SHELLEXECUTEINFOA execute{};
    execute.cbSize = sizeof execute;
    // The page shows its own message for a failure, and only that one.
    execute.fMask = SEE_MASK_FLAG_NO_UI;
    execute.lpVerb = "open";
    execute.lpFile = program.c_str();
    execute.nShow = SW_HIDE;
    // hInstApp carries ShellExecute's result code: above 32 on success.
    int code = SE_ERR_FNF;
    if (!program.empty()) {
        ShellExecuteExA(&execute);
        code = static_cast<int>(reinterpret_cast<INT_PTR>(execute.hInstApp));
        if (code > 32)
            return;
    }
    const std::string title = LibraryTitle();
    MessageBoxA(m_hWnd, StartErrorText(code, program).c_str(), title.empty() ? nullptr : title.c_str(),
                MB_OK);
}
