#pragma once
// The capture settings and the name of the next picture of the capture series.

#include <cstdint>
#include <string>

struct CCaptureSettings {
    std::int32_t viewMode = 0;
    std::string dir;
    std::string name;
};

// Reads the capture settings from HKEY_LOCAL_MACHINE\Software\<maker>\<product>\1.0\Capture:
// "View Mode" (a REG_DWORD), "Dir" or else "Default Dir", "Name" or else "Default Name". False when the
// key, the view mode, both directories or both names cannot be read.
bool ReadCaptureSettings(CCaptureSettings& settings);

// Reserves the first free name of the series by creating that file, empty, in one exclusive step: two
// captures at the same moment never get the same name, and an existing file (even an empty one left by
// an earlier capture) is never truncated. False when the settings give no usable path, when all 100
// names are taken, or when the file cannot be created for another reason (a missing or read-only
// directory).
bool ReserveCaptureFile(const CCaptureSettings& settings, std::string& path);

// Both steps: 1 with the reserved path and the view mode, or 0.
int MakeCaptureFileName(std::string& path, std::int32_t& viewMode);
