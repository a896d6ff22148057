#include "keyhook/CaptureFileName.h"

#include "framework/DiskFile.h"
#include "framework/Handles.h"
#include "keyhook/CaptureNaming.h"

namespace {

bool MarkForDeletion(HANDLE file, bool remove) noexcept {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = remove ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

// Whether a directory entry of that name exists. Asking the directory, not the file: a file marked for
// deletion cannot be opened, not even to read its attributes, yet its name stays taken until it goes.
bool NameExists(const std::string& path) {
    WIN32_FIND_DATAA found;
    CFindHandle search(FindFirstFileA(path.c_str(), &found));
    return static_cast<bool>(search);
}

} // namespace

CCaptureFile& CCaptureFile::operator=(CCaptureFile&& other) noexcept {
    if (this != &other) {
        Close();
        m_path = std::move(other.m_path);
        m_format = other.m_format;
        m_file = std::move(other.m_file);
        m_disk = other.m_disk;
        m_marked = other.m_marked;
        m_kept = other.m_kept;
    }
    return *this;
}

bool CCaptureFile::Keep() noexcept {
    if (!m_file)
        return false;
    if (m_marked && !MarkForDeletion(m_file, false))
        return false;
    m_marked = false;
    m_kept = true;
    return true;
}

void CCaptureFile::Close() noexcept {
    // A device or a pipe is left as it is: there is no file to take back.
    if (m_file && m_disk && !m_kept && !m_marked && !MarkForDeletion(m_file, true)) {
        LARGE_INTEGER start{};
        if (SetFilePointerEx(m_file, start, nullptr, FILE_BEGIN))
            SetEndOfFile(m_file);
    }
    m_file.reset();
}

bool ReserveCaptureFile(const CCaptureSettings& settings, CCaptureFile& file) {
    const CCaptureFormat format = settings.lossless ? CCaptureFormat::kPng : CCaptureFormat::kJpeg;
    const CCaptureFormat other = settings.lossless ? CCaptureFormat::kJpeg : CCaptureFormat::kPng;
    // The other format's name is looked at once this format's is created, which also catches a capture
    // in the other format taking the number meanwhile. Once a picture of the other format has been met,
    // it is looked at first, so that the numbers that it holds are not created and dropped in turn.
    bool otherFormatMet = false;
    bool folderMade = false;
    for (int number = 0; number < kCaptureSeriesLength; ++number) {
        std::string candidate =
            CaptureFileName(settings.dir, settings.name, number, settings.viewMode, format);
        const std::string sibling =
            CaptureFileName(settings.dir, settings.name, number, settings.viewMode, other);
        if (candidate.empty() || sibling.empty())
            return false;
        if (otherFormatMet && NameExists(sibling))
            continue;
        // Shared for reading alone: nobody else may write, rename or delete it meanwhile. Holding the right
        // to delete, the handle admits only readers that share deletion, and while the file is marked
        // Windows admits none.
        CFileHandle created(CreateFileA(candidate.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                        FILE_SHARE_READ, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL | kIdentifyOnlyFlags, nullptr));
        if (!created && GetLastError() == ERROR_PATH_NOT_FOUND && !folderMade) {
            // The folder is made by the first capture that goes there, and this name tried again.
            folderMade = true;
            // Another capture at the same moment may have made it first.
            if (CreateDirectoryA(settings.dir.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) {
                --number;
                continue;
            }
            return false;
        }
        if (created) {
            CCaptureFile reserved;
            reserved.m_disk = IsDiskFile(created);
            reserved.m_marked = reserved.m_disk && MarkForDeletion(created, true);
            reserved.m_path = std::move(candidate);
            reserved.m_format = format;
            reserved.m_file = std::move(created);
            // Of two captures in the two formats that create their names at once, whichever sees the
            // other's file gives the number up (both may, leaving it unused).
            if (NameExists(sibling)) {
                otherFormatMet = true;
                continue;
            }
            file = std::move(reserved);
            return true;
        }
        const DWORD error = GetLastError();
        // A directory of that name, or a file on its way out, answers "access denied": the name is taken too.
        const bool taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
                           (error == ERROR_ACCESS_DENIED && NameExists(candidate));
        if (!taken)
            return false;
    }
    return false;
}

int MakeCaptureFileName(CCaptureFile& file, std::int32_t& viewMode) {
    CCaptureSettings settings;
    if (!ReadCaptureSettings(settings).Complete() || !ReserveCaptureFile(settings, file))
        return 0;
    viewMode = settings.viewMode;
    return 1;
}
