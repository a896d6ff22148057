#pragma once
// The system's open-file and save-file dialogs, as the Activator's dialogs use them.

#include <windows.h>

#include <string>

struct CFileDialogOptions {
    bool save = false; // the save-file dialog, else the open-file dialog
    DWORD flags = 0;   // OFN_ flags besides OFN_EXPLORER
    const char* defaultExtension = nullptr;
    const char* filter = nullptr; // pairs of zero-terminated strings, ending with an empty one
};

// Shows the dialog with `initial` as the initial file name; the chosen full path, or false when the
// user cancelled. An initial text that is no valid file name would keep the dialog from opening at
// all; the dialog then opens without one.
bool ChooseFile(HWND owner, const CFileDialogOptions& options, const std::string& initial,
                std::string& chosen);
