#include "framework/DiskFile.h"

bool IsDiskFile(HANDLE file) noexcept {
    return GetFileType(file) == FILE_TYPE_DISK;
}

CFileHandle OpenDiskFile(const wchar_t* path, DWORD access, DWORD share, DWORD disposition,
                         DWORD flags) noexcept {
    CFileHandle file(
        CreateFileW(path, access, share, nullptr, disposition, flags | kIdentifyOnlyFlags, nullptr));
    if (file && !IsDiskFile(file)) {
        file.reset();
        SetLastError(ERROR_BAD_FILE_TYPE);
    }
    return file;
}
