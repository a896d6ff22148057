#pragma once
// Files that must be files on a disk: the pictures that the programs read and write. A name that the
// checks on its text let through may still lead elsewhere: a drive letter that a user maps onto a
// named pipe, a share whose server answers as a pipe, a device name that Windows recognises.

#include "framework/Handles.h"

// Whether the handle is that of a file on a disk (FILE_TYPE_DISK), not a device (NUL, a serial port,
// a console) or a pipe.
bool IsDiskFile(HANDLE file) noexcept;

// The flag that every such file is opened with, besides the caller's: a pipe's server that answers
// the name may learn who the user is but cannot act as them (SECURITY_SQOS_PRESENT with the
// identification level).
inline constexpr DWORD kIdentifyOnlyFlags = SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;

// CreateFileW with kIdentifyOnlyFlags added to `flags`. Invalid when the file cannot be opened, and,
// closed at once with ERROR_BAD_FILE_TYPE set, when it is no disk file.
CFileHandle OpenDiskFile(const wchar_t* path, DWORD access, DWORD share, DWORD disposition,
                         DWORD flags) noexcept;
