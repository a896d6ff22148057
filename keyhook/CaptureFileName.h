#pragma once
// The name of the next picture of the capture series.

#include "keyhook/CaptureNaming.h"
#include "settings/CaptureSettings.h"

#include "framework/Handles.h"

#include <cstdint>
#include <string>

// A name of the capture series, reserved by creating its file, empty, in one exclusive step, and the
// handle through which the picture is written: no second name is ever involved. Until Keep(), the file
// is marked for deletion through that handle: it disappears when the handle closes, after a failed
// capture as when the program ends in the middle of one, and no other file can go in its place. While
// the handle is open no other program can open the file (Windows refuses a file marked for deletion,
// and its readers would have to share deletion), so a reader finds either no picture or a whole one.
class CCaptureFile {
public:
    CCaptureFile() = default;
    ~CCaptureFile() { Close(); }
    CCaptureFile(CCaptureFile&&) noexcept = default;
    CCaptureFile& operator=(CCaptureFile&& other) noexcept;
    CCaptureFile(const CCaptureFile&) = delete;
    CCaptureFile& operator=(const CCaptureFile&) = delete;

    const std::string& Path() const noexcept { return m_path; }
    // The format that the name's extension promises.
    CCaptureFormat Format() const noexcept { return m_format; }
    // Whether the reserved name is a file on a disk. A name that leads to a device or a pipe (a drive
    // letter mapped onto one, say) was opened but holds no picture: the capture must not write there.
    bool IsDiskFile() const noexcept { return m_disk; }
    // Open for reading and writing, at the start of the empty file; invalid when nothing is reserved.
    HANDLE Handle() const noexcept { return m_file.get(); }

    // The picture is complete: the file stays. False when the mark cannot be lifted; the file then
    // goes when the handle closes.
    bool Keep() noexcept;
    // Closes the handle, which removes a file not kept. Where the file system cannot mark a file for
    // deletion, a file not kept is cut back to an empty reservation instead.
    void Close() noexcept;

private:
    friend bool ReserveCaptureFile(const CCaptureSettings& settings, CCaptureFile& file);

    std::string m_path;
    CCaptureFormat m_format = CCaptureFormat::kJpeg;
    CFileHandle m_file;
    bool m_disk = false;
    bool m_marked = false;
    bool m_kept = false;
};

// Reserves the first free name of the series, in the format of the settings (PNG when lossless): two
// captures at the same moment never get the same name, an existing file (even an empty one, or one on
// its way out) is never truncated, and a number that a picture of the other format holds is taken too,
// so that a number never names two pictures. A missing directory is made first (one level: its parent
// must exist); nothing else creates a capture folder. False when the settings give no usable path, when
// all 100 numbers are taken, or when the file cannot be created for another reason (a read-only
// directory, a parent folder that is missing).
bool ReserveCaptureFile(const CCaptureSettings& settings, CCaptureFile& file);

// Reads the capture settings (ReadCaptureSettings: "View Mode", "Dir" or else "Default Dir", "Name" or
// else "Default Name", as stored) and reserves the next name: 1 with the reserved file and the view
// mode, or 0 when a setting is missing or no name can be reserved.
int MakeCaptureFileName(CCaptureFile& file, std::int32_t& viewMode);
