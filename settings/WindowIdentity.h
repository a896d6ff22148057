#pragma once
// How the other deliverables find the running Activator: V\"Dir" holds "Zelto Activator ClassName"
// and "Zelto Activator WindowName", the class and title of the Activator's main window, written by the
// Activator when it starts and by Setup. (Setup also stores the program file there, as
// "Zelto Activator PathName"; the page starts the Activator beside itself instead.)

#include <string>

// The Activator's main window as it is built: a dialog with the title "Zelto Activator". This is also
// the identity in force where none is stored.
inline constexpr char kActivatorWindowClass[] = "#32770";
inline constexpr char kActivatorWindowTitle[] = "Zelto Activator";

struct CWindowIdentity {
    std::string className = kActivatorWindowClass;
    std::string windowName = kActivatorWindowTitle;
};

// Reads the stored identity; a value that cannot be read keeps its field. True only when both were read.
bool ReadWindowIdentity(CWindowIdentity& identity);

// Writes the identity under R\"1.0"\"Dir" (CreateCurrentVersionKey); false at the first failure (an
// account that may not write "Dir", which only administrators may, fails there).
bool WriteWindowIdentity(const CWindowIdentity& identity);
