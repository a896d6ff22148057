#include "keyhook/CaptureFileName.h"

#include "framework/Handles.h"
#include "keyhook/CaptureNaming.h"

bool ReserveCaptureFile(const CCaptureSettings& settings, std::string& path) {
    for (int number = 0; number < kCaptureSeriesLength; ++number) {
        std::string candidate = CaptureFileName(settings.dir, settings.name, number, settings.viewMode);
        if (candidate.empty())
            return false;
        CFileHandle file(CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            path = std::move(candidate);
            return true;
        }
        const DWORD error = GetLastError();
        // A directory of that name, or a file on its way out, answers "access denied": the name is taken too.
        const bool taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
                           (error == ERROR_ACCESS_DENIED &&
                            GetFileAttributesA(candidate.c_str()) != INVALID_FILE_ATTRIBUTES);
        if (!taken)
            return false;
    }
    return false;
}

int MakeCaptureFileName(std::string& path, std::int32_t& viewMode) {
    CCaptureSettings settings;
    if (!ReadCaptureSettings(settings).Complete() || !ReserveCaptureFile(settings, path))
        return 0;
    viewMode = settings.viewMode;
    return 1;
}
