#pragma once
// How the capture directory and base name are kept: the directory ends in a backslash, the base name
// has exactly six characters; which directories and names a capture may write into; and which file
// names Windows takes for devices. Plain functions, free of any Windows header.

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::size_t kCaptureNameLength = 6;

// Appends a backslash unless `dir` already ends in one; an empty directory becomes "\".
std::string WithTrailingBackslash(std::string dir);

// The name rule: the first six characters of a longer name; a shorter one padded with '_' to six.
std::string FitCaptureName(std::string name);

// Whether Windows opens a device for a file of this name (one path component), whatever folder it is
// in: CON, PRN, AUX, NUL, COM0 to COM9 and LPT0 to LPT9, and COM or LPT with a superscript 1, 2 or 3,
// in any case, as the whole name or before its first dot (or colon), trailing spaces ignored: "nul",
// "NUL.", "NUL.__00.jps", "CON .txt", "COM1._". The text is taken in the ANSI code page; the
// superscripts are recognised as the bytes of the Western code pages (0xB9, 0xB2, 0xB3) and as UTF-8.
bool IsReservedDeviceName(std::string_view name);

// Text that stays one file name inside its folder: no path separator, drive colon, wildcard, character
// that file names cannot hold, or control character. It may be empty.
bool IsFileNameText(std::string_view name);

// A base name of captures: file name text (IsFileNameText) that is no device name
// (IsReservedDeviceName). It may be empty.
bool IsCaptureName(const std::string& name);

// What a capture directory names.
enum class CaptureFolderKind {
    // A full path of a folder on a drive ("X:\...") or a network share ("\\server\share...").
    kFolder,
    // A relative or malformed path, one without a share name, or one holding a character that no file
    // name holds (< > " | ? * or a control character) or a colon other than the drive's.
    kNotFullPath,
    // Not a folder at all: a device or object path ("\\.\...", "\\?\...", "\??\..."), the named
    // pipes and mailslots of a host ("\\host\pipe\...", "\\host\mailslot\..."), or a path with a
    // device name as one of its folders ("C:\NUL\"). A capture written there would go to whoever
    // serves that name.
    kDevice,
};
CaptureFolderKind ClassifyCaptureFolder(const std::string& dir);
