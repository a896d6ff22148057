#pragma once
// The application object: one per program, created as a static object. WinMain (framework_main)
// hands control to it: InitInstance, then the message loop when InitInstance succeeded, then
// ExitInstance, whose result is the process's exit code.

#include "framework/Dialog.h"

#include <string>

class CApplication {
public:
    CApplication() noexcept;
    virtual ~CApplication();
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    // The application object of this process, or null.
    static CApplication* Current() noexcept;

    // Start-up; false ends the program without a message loop.
    virtual BOOL InitInstance();
    // Clean-up; the result is the exit code.
    virtual int ExitInstance();
    // Runs the message loop until WM_QUIT; the main window's PreTranslateMessage sees each message.
    void Run();
    // The whole program run, called by WinMain.
    int Main(HINSTANCE instance);

    // The title that captions the program's message boxes: the executable's name without extension.
    std::string Title() const;

    HINSTANCE m_hInstance = nullptr;
    CDialog* m_pMainWnd = nullptr;

protected:
    int m_quitCode = 0;
};

// A message box captioned with the application's title.
int AppMessageBox(HWND owner, const std::string& text, UINT type);
// The same for a text in UTF-16 (file names in any script).
int AppMessageBox(HWND owner, const std::wstring& text, UINT type);
