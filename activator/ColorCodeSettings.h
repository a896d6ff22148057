#pragma once
// Opening the ColorCode editor from the main window.

#include <windows.h>

// Runs the editor modally over `owner` on the stored groups. When it ends with OK, the groups are
// stored; otherwise nothing changes. Returns the dialog's result (IDOK, IDCANCEL, or -1 when it could
// not be created).
INT_PTR EditColorCodeSettings(HWND owner);
