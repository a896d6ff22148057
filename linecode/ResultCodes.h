#pragma once
// Result codes of a line-code emission and of a screen capture.

inline constexpr int kResultOk = 0;
inline constexpr int kResultNoScreenDC = -1;
inline constexpr int kResultNoMemoryDC = -2;
inline constexpr int kResultNoBitmap = -3;
inline constexpr int kResultBlitFailed = -4;
// The capture settings or a free file name were not available.
inline constexpr int kResultCaptureUnavailable = -101;
// The screen was copied but the picture could not be written; no file remains.
inline constexpr int kResultNotWritten = -102;
