#pragma once
// Which file the page starts to run the Activator, and the text it shows when the start fails.

#include <string>
#include <string_view>

// The Activator's file name, as it lies beside the extension.
inline constexpr char kActivatorFileName[] = "Zelto.exe";

// True for a path that names a file without the help of a current directory: a drive letter with a
// separator ("C:\...") or a UNC path ("\\server\share\...").
bool IsFullPath(std::string_view path);

// The program that the page starts: the Activator beside the module `modulePath` (the extension's own
// file), and no other. The "Zelto Activator PathName" that Setup stores names that same file; any
// other stored program is ignored, since a standard user must not make the page run a program of
// their choosing for whoever opens a Properties sheet next. Empty when `modulePath` is not a full
// path: never a bare name, which the shell would look up in the current directory (the folder of the
// file whose properties are shown).
std::string ActivatorBesideModule(std::string_view modulePath);

// "ShellExecute Error!(<code>)\nCan't Run <path>!"
std::string StartErrorText(int code, std::string_view path);
