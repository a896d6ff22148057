#pragma once
// A dialog window built from a dialog template, modeless (Create) or modal (DoModal).
//
// The window is subclassed while CreateDialogParam builds it (a thread-local creation hook sees it
// before WM_NCCREATE), so WindowProc receives every message from WM_NCCREATE on, WM_CREATE included:
// a WindowProc that answers WM_CREATE with -1 makes the creation fail. Messages that WindowProc
// leaves to CDialog::WindowProc reach the dialog class's own procedure (DefaultProc).
//
// DoModal runs its own message loop rather than DialogBox's so that PreTranslateMessage sees every
// message of the loop before the dialog manager turns Enter and Esc into IDOK and IDCANCEL.

#include "framework/Window.h"

class CDialog : public CWindow {
public:
    explicit CDialog(UINT templateId, HWND parent = nullptr) noexcept;
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Creates the window modelessly; false when the template cannot be loaded or creation fails.
    bool Create();
    // Creates the window, runs the modal loop until EndDialog and destroys the window. Returns the
    // value given to EndDialog, or -1 when the window could not be created.
    INT_PTR DoModal();
    // Ends the modal loop with `result`; for a modeless dialog, hides the window.
    void EndDialog(INT_PTR result) noexcept;
    void DestroyWindow() noexcept;

    // Sees each message of the loop that runs this dialog before it is dispatched; returns true when
    // the message has been handled and must not be dispatched. The default runs the dialog manager's
    // keyboard handling (IsDialogMessage).
    virtual bool PreTranslateMessage(MSG& message);

protected:
    // One window procedure per dialog class: a switch over the messages it handles, ending in
    // CDialog::WindowProc for every other message.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The dialog class's own handling of a message.
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

    // WM_INITDIALOG; true lets the dialog manager set the focus.
    virtual BOOL OnInitDialog();
    // IDOK and IDCANCEL (Enter, Esc, the close box); the defaults end a modal dialog with that result.
    virtual void OnOK();
    virtual void OnCancel();
    // Every other WM_COMMAND; true when handled.
    virtual bool OnCommand(WORD id, WORD notifyCode, HWND control);
    // The thread's quit message ended the modal loop (the program is ending): called while the window
    // still shows, before the owner is enabled and activated again and the window destroyed.
    virtual void OnModalQuit() {}

    bool IsModal() const noexcept { return m_modal; }
    HWND m_parent;

private:
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
    HWND CreateFromTemplate();
    void Attach(HWND window) noexcept;
    void Detach() noexcept;

    UINT m_templateId;
    WNDPROC m_defaultProc = nullptr;
    bool m_modal = false;
    bool m_endModal = false;
    INT_PTR m_modalResult = -1;
};
