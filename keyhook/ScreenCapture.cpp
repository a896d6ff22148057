#include "keyhook/ScreenCapture.h"

#include "display/JpegCodec.h"
#include "keyhook/BandPipeline.h"
#include "keyhook/CaptureFileName.h"
#include "keyhook/ScreenBands.h"
#include "linecode/ResultCodes.h"
#include "settings/SettingsTypes.h"

namespace {

// Band bitmaps between the screen copy and the encoder: one being copied, one being encoded, and room
// for the copy to run ahead when the encoder is held up.
constexpr int kBandSlots = 4;

int CaptureScreenTo(CCaptureFile& file, std::int32_t viewMode) {
    CScreenBands screen;
    const int opened = screen.Open(viewMode, kBandSlots);
    if (opened != kResultOk)
        return opened;
    CJpegRowEncoder encoder;
    CBandPipelineStages stages;
    stages.begin = [&] { return encoder.Begin(file.Handle(), screen.Width(), screen.Height()); };
    stages.produce = [&](int band, int slot) { return screen.Copy(band, slot); };
    stages.consume = [&](int band, int slot) {
        return encoder.WriteRows(screen.Rows(slot), screen.RowsOf(band), screen.Stride());
    };
    stages.end = [&](bool complete) {
        if (complete)
            return encoder.Finish();
        encoder.Abandon();
        return false;
    };
    switch (RunBandPipeline(screen.BandCount(), kBandSlots, stages)) {
    case BandPipelineResult::kDone:
        file.Keep();
        return kResultOk;
    case BandPipelineResult::kProduceFailed:
        return kResultBlitFailed;
    default:
        // The reserved file goes with its handle: reporting success here would name a file that is not there.
        return kResultNotWritten;
    }
}

} // namespace

int CaptureScreen() {
    std::string path;
    return CaptureScreen(path);
}

int CaptureScreen(std::string& path) {
    path.clear();
    try {
        CCaptureFile file;
        std::int32_t viewMode = 0;
        if (!MakeCaptureFileName(file, viewMode))
            return kResultCaptureUnavailable;
        path = file.Path();
        return CaptureScreenTo(file, viewMode);
    } catch (...) {
        // Only memory can run out here; the reserved file went with the unwinding.
        return kResultNoBitmap;
    }
}

int SaveDibAsJpeg(const BITMAPINFOHEADER* header, const void* rows, const char* path) {
    // The codec reads the header, its colour table and the rows where they are.
    return EncodeJpegDib(header, rows, path) ? 1 : 0;
}
