#pragma once
// The Activator's application object: starts the program as a single instance per user and session,
// creates the hidden main window and records that window's identity in the user's registry so that
// the other deliverables (and a second start of the program) can find it.

#include "framework/Application.h"
#include "settings/WindowIdentity.h"

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

    // Reads the class name and title of the running Activator's window from the registry (the user's
    // record, else Setup's); true only when both were read (a value read before a failure stays
    // replaced).
    bool ReadWindowIdentity();
    // Writes them to the user's tree, with "Current Version" = "1.0" there; stops at the first failure.
    bool WriteWindowIdentity();

    const CWindowIdentity& Identity() const noexcept { return m_identity; }
    CActivatorDlg* MainDialog() const noexcept { return m_mainDlg.get(); }

private:
    // Starts as the built-in identity: class "#32770", title "Zelto Activator".
    CWindowIdentity m_identity;
    std::unique_ptr<CActivatorDlg> m_mainDlg;
};
