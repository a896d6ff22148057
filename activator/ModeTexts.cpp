#include "activator/ModeTexts.h"

#include "linecode/LineCodePatterns.h"
#include "linecode/ResultCodes.h"
#include "settings/ActivatorMessages.h"

const char* StatusWordForCode(int code) {
    switch (code) {
    case kCodeInterlace:
        return "Interlacing";
    case kCodePageFlip:
        return "Page Flipping";
    case kCodeSyncDouble:
        return "Sync. Doubling";
    case kCodeLineBlank:
        return "Line Blanking";
    case kCodeNormal:
        return "Normal";
    default:
        return "";
    }
}

const char* ResultPrefixForMessage(unsigned message) {
    switch (message) {
    case kMsgResultNormal:
        return "Normal ";
    case kMsgResultInterlace:
        return "Interlacing ";
    case kMsgResultPageFlip:
        return "Page Flipping ";
    case kMsgResultSyncDouble:
        return "Sync. Doubling ";
    case kMsgResultLineBlank:
        return "Line Blanking ";
    case kMsgResultCapture:
        return "Capture ";
    default:
        return nullptr;
    }
}

const char* ResultTextForCode(int result) {
    switch (result) {
    case kResultBlitFailed:
        return "Error: BltBit Fail!";
    case kResultNoBitmap:
        return "Error: Can't Create Bitmap!";
    case kResultNoMemoryDC:
    case kResultNoScreenDC:
        return "Error: Can't Get DC!";
    case kResultNotWritten:
        return "Error: Can't Write File!";
    default:
        return "";
    }
}

CCaptureNotice CaptureNoticeFor(int result, const std::string& file, bool fileHoldsPicture) {
    constexpr char kFailedTitle[] = "Screen not captured";
    if (result == kResultOk) {
        if (file.empty())
            return {};
        if (fileHoldsPicture)
            return {"Screen captured", file, false};
        return {kFailedTitle, "The picture could not be written to " + file, true};
    }
    if (result == kResultCaptureUnavailable)
        return {kFailedTitle, "The capture settings give no free file name.", true};
    if (result == kResultNotWritten)
        return {kFailedTitle, "The picture could not be written to " + file, true};
    const std::string text = ResultTextForCode(result);
    return {kFailedTitle, text.empty() ? "The screen could not be copied." : text, true};
}
