#pragma once
// The Activator's application object: starts the program as a single instance, creates the hidden
// main window and records that window's identity in the registry so that the other deliverables
// (and a second start of the program) can find it.

#include "framework/Application.h"

#include <memory>
#include <string>

class CActivatorDlg;

class CActivatorApp : public CApplication {
public:
    CActivatorApp();
    ~CActivatorApp() override;

    // False ends the process at once: a second instance (which shows the first one's window instead),
    // or a main window that could not be created.
    BOOL InitInstance() override;
    int ExitInstance() override;

    // Reads the class name and title of the running Activator's window from the registry; true only
    // when both were read (a class name read before a later failure stays replaced).
    bool ReadWindowIdentity();
    // Writes them, and "Current Version" = "1.0"; stops at the first failure.
    bool WriteWindowIdentity();

    const std::string& ClassName() const noexcept { return m_className; }
    const std::string& WindowName() const noexcept { return m_windowName; }
    CActivatorDlg* MainDialog() const noexcept { return m_mainDlg.get(); }

private:
    std::string m_className = "#32770";
    std::string m_windowName = "Zelto Activator";
    std::unique_ptr<CActivatorDlg> m_mainDlg;
};
