#pragma once
// The screen capture of the capture hotkey: the whole screen as a 24-bit picture, written as a JPEG
// file under the next free name of the capture series. In the stereo view modes the screen holds two
// images, which go side by side into a picture of twice the screen's width (.jps): Interlace and Line
// Blank take the even and the odd rows, Sync Double the top and the bottom band stretched to full
// height. The 2D view mode writes the screen unchanged (.jpg).

#include <windows.h>

#include <cstdint>
#include <string>

// 0 when the picture was taken and handed to the encoder. kResultCaptureUnavailable when the settings
// give no usable free name (nothing is written then); kResultNoScreenDC, kResultNoMemoryDC,
// kResultNoBitmap or kResultBlitFailed when the screen could not be copied, leaving the reserved name
// as an empty file.
int CaptureScreen();
// The capture into a path already reserved, in view mode `viewMode`; the same results.
int CaptureScreenTo(const std::string& path, std::int32_t viewMode);

// The header of the capture picture of a `screenWidth` x `screenHeight` screen in `viewMode`; false
// when its size does not fit a DIB.
bool CaptureHeaderOf(int screenWidth, int screenHeight, std::int32_t viewMode, BITMAPINFOHEADER& header);

// Encodes the DIB of `header` (with the colour table that follows it for 1, 4 and 8 bits per pixel) and
// `rows` as a JPEG file at `path`. 1 when the file was written, else 0.
int SaveDibAsJpeg(const BITMAPINFOHEADER* header, const void* rows, const char* path);
