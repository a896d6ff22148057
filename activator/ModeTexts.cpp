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
    default:
        return "";
    }
}
