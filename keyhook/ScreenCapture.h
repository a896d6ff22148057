#pragma once
// The screen capture of the capture hotkey: the controller's monitor (settings/ControllerMonitor.h), its
// pixels alone, as a 24-bit picture of its size, written as a JPEG file under the next free name of the
// capture series, or a PNG file that keeps every pixel exactly when the settings ask for lossless
// pictures. In the stereo view modes the monitor holds two images, which go side by side into a picture
// of twice its width (.jps, .pns): Interlace and Line Blank take the even and the odd rows, Sync Double
// the top and the bottom band stretched to full height. The 2D view mode writes the monitor unchanged
// (.jpg, .png).
//
// The monitor is copied into memory in one go when the capture starts, so that the picture is one instant of
// what it shows, both eyes alike; then it is encoded from that copy straight into the file that reserves the
// name, and the copy is freed. The file is whole or gone: a capture that fails, or a program that ends during
// one, leaves nothing behind.

#include <windows.h>

#include <string>

// 0 when the picture was written. kResultCaptureUnavailable when the settings give no usable free
// name; kResultNoScreenDC, kResultNoMemoryDC, kResultNoBitmap or kResultBlitFailed when the screen could
// not be copied (kResultBlitFailed also when the screen is too small for the Sync Double bands of its
// width); kResultNotWritten when the picture could not be written, or when the name reserved is no
// file on a disk (a device or a pipe that the path leads to). Nothing is left in the
// capture directory unless the result is 0. Independent of the calling thread's COM state; the
// thread's DPI awareness decides what the screen is.
int CaptureScreen();
// The same, telling the name that the capture reserved (empty when it reserved none): the file written
// when the result is 0.
int CaptureScreen(std::string& path);

// Encodes the DIB of `header` (with the colour table that follows it for 1, 4 and 8 bits per pixel) and
// `rows` as a JPEG file at `path`. 1 when the file was written, else 0.
int SaveDibAsJpeg(const BITMAPINFOHEADER* header, const void* rows, const char* path);
