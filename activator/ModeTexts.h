#pragma once
// The texts of the Activator's status line for mode switches, and of the notification that confirms a
// capture. Plain functions, free of Windows headers.

#include <string>

// The word shown while the Activator itself switches to the mode of code number `code` ("Interlacing",
// ...); empty for a number that is no mode's.
const char* StatusWordForCode(int code);

// The prefix of the result text for result message `message` (1026 to 1031), ending in one blank;
// null for any other message.
const char* ResultPrefixForMessage(unsigned message);

// The text that follows the prefix for result code `result`; empty for success and unknown codes.
const char* ResultTextForCode(int result);

// What the status line shows after the Activator's own emission failed.
inline constexpr const char kLineCodeErrorText[] = "LineCode Error";

// What a status line shows when the monitor chosen for the controller is gone and the primary stands in.
inline constexpr const char kControllerMonitorGoneText[] = "Chosen monitor gone: primary used";

// The notification that confirms a capture of the capture hotkey: the file written, or why none was.
struct CCaptureNotice {
    std::string title; // empty when there is nothing to tell
    std::string text;
    bool failed = false;
};
// For the capture's result code, the file it reserved (empty when none was reported) and whether that
// file now holds a picture: a capture that reports success but left its file empty failed to write it.
CCaptureNotice CaptureNoticeFor(int result, const std::string& file, bool fileHoldsPicture);
