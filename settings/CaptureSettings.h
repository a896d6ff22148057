#pragma once
// The capture settings: "View Mode" (REG_DWORD, a ViewMode), "Dir" (the directory of the captured
// files, a prefix of their paths), "Name" (the six-character stem of their names) and "Lossless"
// (REG_DWORD: 1 for lossless PNG pictures, 0 for JPEG ones), and "Default Dir" and "Default Name",
// which stand in for a missing "Dir" and "Name".
//
// Each user has their own: the Activator's capture settings dialog writes "View Mode", "Dir", "Name"
// and "Lossless" to the user's key, HKEY_CURRENT_USER\Software\<maker>\<product>\1.0\Capture. The
// same key under HKEY_LOCAL_MACHINE, which Setup writes and only administrators may change, holds the
// machine's values: every value that the user's key lacks is read from there. So the values that an
// earlier version kept for the whole machine are every user's defaults.

#include "settings/SettingsTypes.h"

#include <cstdint>
#include <string>

// The stem where none is stored.
inline constexpr char kBuiltInCaptureName[] = "Captur";
// The folder of the user's own Pictures folder where captures go when no folder is stored.
inline constexpr char kCaptureFolderName[] = "Zelto Captures";

// "Zelto Captures" in the user's Pictures folder (the known folder, wherever the user or an
// administrator moved it), ending in a backslash: the folder where none is stored. Asking creates and
// opens nothing. Empty when the system names no such folder, or one that the ANSI code page cannot
// spell.
std::string BuiltInCaptureDir();

struct CCaptureSettings {
    std::int32_t viewMode = kViewSyncDouble;
    std::string dir;
    std::string name;
    bool lossless = false;
    // What the capture settings dialog's "Default" restores.
    std::string defaultDir = BuiltInCaptureDir();
    std::string defaultName = kBuiltInCaptureName;
};

// What ReadCaptureSettings found: a view mode, a directory ("Dir" or "Default Dir") and a name ("Name"
// or "Default Name"). A capture, and the viewer, need all three.
struct CCaptureSettingsFound {
    bool viewMode = false;
    bool dir = false;
    bool name = false;

    bool Complete() const noexcept { return viewMode && dir && name; }
};

// Reads the stored values as they stand, each from the user's key or else the machine's: "View Mode"
// into viewMode; "Dir", or else "Default Dir", or else the built-in folder (BuiltInCaptureDir), into
// dir; "Name", or else "Default Name", into name; "Default Dir" and "Default Name" into their fields;
// "Lossless" into lossless. A value that cannot be read (missing, of another type, too long) keeps its
// field, and so do a directory that is no folder on a drive or a share (ClassifyCaptureFolder), a name
// that is no capture name (IsCaptureName): a device or a pipe is never where pictures go, and a
// "Lossless" other than 0 or 1. "Lossless" is not needed: JPEG pictures where it is missing.
CCaptureSettingsFound ReadCaptureSettings(CCaptureSettings& settings);

// The settings as the Activator shows them for editing, which are the ones in force: read as above;
// where no directory or name is stored, the default directory and name; the directory then ends in a
// backslash and the name has six characters, as the dialog stores them.
void ReadCaptureSettingsToEdit(CCaptureSettings& settings);

// Writes "View Mode", "Dir" and "Name" to the user's key; false when the key or a value cannot be
// written.
bool WriteCaptureSettings(std::int32_t viewMode, const std::string& dir, const std::string& name);
// Writes "Lossless" to the user's key; false when the key or the value cannot be written.
bool WriteCaptureLossless(bool lossless);
