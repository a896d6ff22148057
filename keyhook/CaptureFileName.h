#pragma once
// The name of the next picture of the capture series.

#include "settings/CaptureSettings.h"

#include <cstdint>
#include <string>

// Reserves the first free name of the series by creating that file, empty, in one exclusive step: two
// captures at the same moment never get the same name, and an existing file (even an empty one left by
// an earlier capture) is never truncated. False when the settings give no usable path, when all 100
// names are taken, or when the file cannot be created for another reason (a missing or read-only
// directory).
bool ReserveCaptureFile(const CCaptureSettings& settings, std::string& path);

// Reads the capture settings (ReadCaptureSettings: "View Mode", "Dir" or else "Default Dir", "Name" or
// else "Default Name", as stored) and reserves the next name: 1 with the reserved path and the view
// mode, or 0 when a setting is missing or no name can be reserved.
int MakeCaptureFileName(std::string& path, std::int32_t& viewMode);
