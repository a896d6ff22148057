#pragma once
// How the other deliverables find the running Activator: V\"Dir" holds "Zelto Activator ClassName"
// and "Zelto Activator WindowName", the class and title of the Activator's main window. Setup writes
// them in the machine's tree; each user's Activator records them in the user's own tree when it
// starts. (Setup also stores the program file there, as "Zelto Activator PathName"; the page starts
// the Activator beside itself instead.)
//
// Only the Activator of the same user in the same session counts as running: windows of the same
// class and title that belong to another user's program (a program started as another user on the
// same desktop) are never told to show themselves, reload or end.

#include <windows.h>

#include <string>

// The Activator's main window as it is built: a dialog with the title "Zelto Activator". This is also
// the identity in force where none is stored.
inline constexpr char kActivatorWindowClass[] = "#32770";
inline constexpr char kActivatorWindowTitle[] = "Zelto Activator";

struct CWindowIdentity {
    std::string className = kActivatorWindowClass;
    std::string windowName = kActivatorWindowTitle;
};

// Reads the stored identity, each value from the user's tree or else the machine's; a value that
// cannot be read keeps its field. True only when both were read.
bool ReadWindowIdentity(CWindowIdentity& identity);

// Records the identity under the user's R\"1.0"\"Dir" (CreateCurrentVersionKey); false at the first
// failure.
bool WriteWindowIdentity(const CWindowIdentity& identity);

// The first top-level window of that class and title whose process runs as the user of this thread
// (its token's user) in this process's session; null when there is none. A process whose token cannot
// be read is not this user's.
HWND FindOwnActivatorWindow(const CWindowIdentity& identity);
