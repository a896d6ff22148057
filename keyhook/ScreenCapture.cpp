#include "keyhook/ScreenCapture.h"

#include "display/JpegCodec.h"
#include "display/PngCodec.h"
#include "keyhook/CaptureFileName.h"
#include "keyhook/CaptureLayout.h"
#include "keyhook/ScreenCopy.h"
#include "linecode/ResultCodes.h"
#include "settings/SettingsTypes.h"

#include <algorithm>
#include <vector>

namespace {

// Picture rows made and handed to the encoder at a time.
constexpr int kRowsAtATime = 16;

// Encodes the picture of `screen` that `layout` describes through `file` with an `Encoder`
// (CJpegRowEncoder or CPngRowEncoder); true when it was written.
template <typename Encoder>
bool EncodePicture(const CScreenCopy& screen, const CCaptureLayout& layout, HANDLE file) {
    Encoder encoder;
    const auto height = static_cast<unsigned>(layout.screenHeight);
    if (!encoder.Begin(file, static_cast<unsigned>(PictureWidth(layout)), height))
        return false;
    const std::size_t stride = 3 * static_cast<std::size_t>(PictureWidth(layout));
    std::vector<std::uint8_t> rows(stride * kRowsAtATime);
    for (int row = 0; row < layout.screenHeight; row += kRowsAtATime) {
        const int count = std::min(kRowsAtATime, layout.screenHeight - row);
        if (!ComposePictureRows(layout, screen.Rows(), screen.Stride(), row, count, rows, stride) ||
            !encoder.WriteRows(rows.data(), static_cast<unsigned>(count), static_cast<unsigned>(stride)))
            return false;
    }
    return encoder.Finish();
}

} // namespace

int CaptureScreen() {
    std::string path;
    return CaptureScreen(path);
}

int CaptureScreen(std::string& path) {
    path.clear();
    try {
        // The screen first, at the moment the capture is asked for.
        CScreenCopy screen;
        const int copied = screen.Take();
        if (copied != kResultOk)
            return copied;
        CCaptureFile file;
        std::int32_t viewMode = 0;
        if (!MakeCaptureFileName(file, viewMode))
            return kResultCaptureUnavailable;
        path = file.Path();
        if (!file.IsDiskFile())
            return kResultNotWritten;
        CCaptureLayout layout;
        if (!CaptureLayoutOf(screen.Width(), screen.Height(), viewMode, layout))
            return kResultBlitFailed;
        // A file whose deletion mark cannot be lifted goes with its handle: it was not written.
        const bool encoded = file.Format() == CCaptureFormat::kPng
                                 ? EncodePicture<CPngRowEncoder>(screen, layout, file.Handle())
                                 : EncodePicture<CJpegRowEncoder>(screen, layout, file.Handle());
        if (!encoded || !file.Keep())
            return kResultNotWritten;
        return kResultOk;
    } catch (...) {
        // Only memory can run out here; the reserved file went with the unwinding.
        return kResultNoBitmap;
    }
}

int SaveDibAsJpeg(const BITMAPINFOHEADER* header, const void* rows, const char* path) {
    // The codec reads the header, its colour table and the rows where they are.
    return EncodeJpegDib(header, rows, path) ? 1 : 0;
}
