#pragma once
// Opening the ColorCode editor from the main window, and handing the active group's code set to the
// hook library.

#include <windows.h>

// Runs the editor modally over `owner` on the stored groups. When it ends with OK, the groups are
// stored and the active group's code set goes to the hook library; otherwise nothing changes. Returns
// the dialog's result (IDOK, IDCANCEL, or -1 when it could not be created).
INT_PTR EditColorCodeSettings(HWND owner);

// Hands the stored active group's code set (the built-in one when nothing is stored) to the hook
// library, so that its tables follow the stored groups from start-up on.
void PassStoredCodeSetToHook();
