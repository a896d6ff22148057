#pragma once
// The names of captured pictures: the capture directory, the base name, two digits 00 to 99 and
// ".jps" (".jpg" for a 2D picture), or for a lossless capture ".pns" (".png"). The directory is a plain
// prefix, used as stored; the settings keep it with a trailing backslash. Plain code, free of Windows
// headers.

#include "settings/SettingsRules.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The numbers of a series run from 0 to kCaptureSeriesLength - 1.
inline constexpr int kCaptureSeriesLength = 100;

// The longest capture path in characters: MAX_PATH (260) with the terminator.
inline constexpr std::size_t kMaxCapturePathLength = 260 - 1;

// The view modes 0 Interlace, 1 Sync Double, 2 Line Blank and 3 2D.
bool IsCaptureViewMode(std::int32_t viewMode) noexcept;
// The file formats of captured pictures: near-lossless JPEG, or lossless PNG.
enum class CCaptureFormat { kJpeg, kPng };
// ".jpg" for the 2D view mode, ".jps" (a side-by-side stereo pair) for the others; ".png" and ".pns" in
// PNG.
const char* CaptureExtension(std::int32_t viewMode, CCaptureFormat format = CCaptureFormat::kJpeg) noexcept;

// A directory that a capture may write into: a full path of a folder on a drive or a share
// (ClassifyCaptureFolder). A relative one would put the pictures into the working directory of the
// capturing program; a device or a pipe would hand them to whoever serves it.
bool IsCaptureDirectory(const std::string& dir);

// The path of picture `number` of the series. Empty when the directory, the name, the number or the
// view mode is unusable, or when the path would be longer than kMaxCapturePathLength. The pictures of
// one view mode in either format make one series: picture 05 is Name05.jps or Name05.pns, never both.
std::string CaptureFileName(const std::string& dir, const std::string& name, int number,
                            std::int32_t viewMode, CCaptureFormat format = CCaptureFormat::kJpeg);
