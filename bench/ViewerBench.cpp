// Prints, on the screen it runs on (meant for 1920x1080), what the viewer's opening of a 6000 x 4000
// per eye .mpo and showing it fitted costs (reading the file and its index, decoding each picture to
// its fitted size, composing the Interlace frame) beside the bare decoding of its two pictures (each
// decoded whole into 24-bit rows by WIC), with their ratio (goal: at most 1.2). For comparison: the
// same pictures decoded whole and then scaled by WIC's own scaler, and whether the system's JPEG
// decoder offers to decode a picture smaller (IWICBitmapSourceTransform).

#include "bench/BenchClock.h"
#include "display/CodecRuntime.h"
#include "display/FrameComposition.h"
#include "display/JpegCodec.h"
#include "display/JpegHeader.h"
#include "display/PictureFile.h"
#include "settings/SettingsTypes.h"
#include "tests/support/MultiPictureFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kEyeWidth = 6000;
constexpr int kEyeHeight = 4000;
constexpr int kRounds = 5;
constexpr IID kSourceTransformId = {
    0x3B16811B, 0x6A43, 0x4EC9, {0xB7, 0x13, 0x3D, 0x5A, 0x0C, 0x13, 0xB9, 0x40}};

// A picture with detail like a photograph's: gradients, texture and specks; `shift` moves it sideways
// as the other eye sees it. Encoded as a JPEG stream by the suite's codec.
testing_support::CBytes MakeJpeg(int shift, const std::string& path) {
    CDibImage image;
    if (!image.Create(kDibTrueColour, kEyeWidth, kEyeHeight))
        return {};
    for (int y = 0; y < kEyeHeight; ++y) {
        std::uint8_t* row = image.RowFromTop(y);
        for (int x = 0; x < kEyeWidth; ++x) {
            const int u = x + shift;
            const bool speck = ((u * 7 + y * 13) % 23) == 0;
            row[3 * x] = static_cast<std::uint8_t>(speck ? 0 : (u * 255) / kEyeWidth);
            row[3 * x + 1] = static_cast<std::uint8_t>(speck ? 0 : (y * 255) / kEyeHeight);
            row[3 * x + 2] = static_cast<std::uint8_t>(((u / 16 + y / 16) % 2) * 120 + 60 + (u * y) % 17);
        }
    }
    CGlobalMemory dib(GlobalAlloc(GMEM_MOVEABLE, 40 + image.GetImageSize()));
    if (!dib)
        return {};
    {
        CGlobalLock<std::uint8_t> bytes(dib);
        std::memcpy(bytes.get(), image.Header(), 40);
        std::memcpy(bytes.get() + 40, image.Pixels(), image.GetImageSize());
    }
    if (!EncodeJpegFile(dib, path.c_str()))
        return {};
    std::ifstream file(path, std::ios::binary);
    return testing_support::CBytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The decoded frame of `picture`, or nothing.
CComPtr<IWICBitmapFrameDecode> OpenFrame(IWICImagingFactory* factory, std::span<const std::uint8_t> picture) {
    CComPtr<IWICStream> stream;
    CComPtr<IWICBitmapDecoder> decoder;
    CComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(picture.data()),
                                            static_cast<DWORD>(picture.size()))) ||
        FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.put())))
        return {};
    decoder->GetFrame(0, frame.put());
    return frame;
}

// Decodes `picture` whole into 24-bit rows, or scaled to `scaled` by WIC's scaler (Fant).
bool Decode(IWICImagingFactory* factory, std::span<const std::uint8_t> picture, CPictureSize scaled = {}) {
    CComPtr<IWICBitmapFrameDecode> frame = OpenFrame(factory, picture);
    CComPtr<IWICFormatConverter> converter;
    CComPtr<IWICBitmapScaler> scaler;
    UINT width = 0;
    UINT height = 0;
    if (!frame || FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone,
                                     nullptr, 0.0, WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&width, &height)))
        return false;
    IWICBitmapSource* source = converter.get();
    if (scaled.width > 0) {
        if (FAILED(factory->CreateBitmapScaler(scaler.put())) ||
            FAILED(scaler->Initialize(converter.get(), scaled.width, scaled.height,
                                      WICBitmapInterpolationModeFant)))
            return false;
        source = scaler.get();
        width = scaled.width;
        height = scaled.height;
    }
    const UINT stride = (3 * width + 3) / 4 * 4;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * height);
    return SUCCEEDED(source->CopyPixels(nullptr, stride, static_cast<UINT>(pixels.size()), pixels.data()));
}

} // namespace

int main() {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string jpegPath = std::string(temp) + "zelto-viewer-bench.jpg";
    const std::string mpoPath = std::string(temp) + "zelto-viewer-bench.mpo";
    const testing_support::CBytes mpo =
        testing_support::BuildMultiPictureFile({MakeJpeg(0, jpegPath), MakeJpeg(40, jpegPath)});
    DeleteFileA(jpegPath.c_str());
    CMultiPictureIndex index;
    if (ReadMultiPictureIndex(mpo, index) != CMultiPictureResult::kPictures || index.count != 2) {
        std::printf("cannot make the test picture\n");
        return 1;
    }
    std::ofstream(mpoPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(mpo.data()), static_cast<std::streamsize>(mpo.size()));
    const std::span<const std::uint8_t> pictures[] = {
        std::span(mpo).subspan(index.first.offset, index.first.size),
        std::span(mpo).subspan(index.second.offset, index.second.size)};

    CComRuntime com;
    CComPtr<IWICImagingFactory> factory = com.CreateFactory();
    if (!factory) {
        std::printf("no imaging component\n");
        return 1;
    }
    CComPtr<IWICBitmapFrameDecode> frame = OpenFrame(factory.get(), pictures[0]);
    CComPtr<IUnknown> transform;
    const bool decoderScales =
        frame && SUCCEEDED(frame->QueryInterface(kSourceTransformId, transform.put_void()));
    frame.reset();
    transform.reset();

    const CPictureSize screen{static_cast<std::uint32_t>(screenWidth),
                              static_cast<std::uint32_t>(screenHeight)};
    const CPictureSize fitted = FitWithin(kEyeWidth, kEyeHeight, screen);
    const std::wstring widePath = Widen(mpoPath.c_str());
    std::vector<double> bare;
    std::vector<double> opened;
    std::vector<double> wicScaled;
    CStereoPicture picture;
    CDibImage shown;
    for (int round = 0; round < kRounds; ++round) {
        double start = NowMilliseconds();
        for (const auto& one : pictures)
            if (!Decode(factory.get(), one)) {
                std::printf("cannot decode the test picture\n");
                return 1;
            }
        bare.push_back(NowMilliseconds() - start);

        start = NowMilliseconds();
        if (!LoadStereoPicture(widePath, CPictureKind::kMultiPicture,
                               {screen, CEyeScaling::kFitted, CEyeChoice::kBoth}, picture) ||
            !ComposeStereoFrame(picture, kViewInterlace, false, shown, screenWidth, screenHeight)) {
            std::printf("the viewer cannot open the test picture\n");
            return 1;
        }
        opened.push_back(NowMilliseconds() - start);

        start = NowMilliseconds();
        for (const auto& one : pictures)
            Decode(factory.get(), one, fitted);
        wicScaled.push_back(NowMilliseconds() - start);
    }
    const double bareMs = Median(bare);
    std::printf(
        "screen %dx%d, an .mpo of two %dx%d pictures (%zu bytes), each fitted to %ux%u; median of %d\n",
        screenWidth, screenHeight, kEyeWidth, kEyeHeight, mpo.size(), fitted.width, fitted.height, kRounds);
    std::printf("the system's JPEG decoder decodes smaller pictures itself: %s\n",
                decoderScales ? "yes" : "no");
    std::printf("bare decoding of the two pictures:          %8.1f ms\n", bareMs);
    std::printf(
        "opening and showing fitted (the viewer):    %8.1f ms  = %.3f x the bare decoding (goal <= 1.2)\n",
        Median(opened), Median(opened) / bareMs);
    std::printf("decoding whole, then WIC's scaler (Fant):   %8.1f ms  = %.3f x\n", Median(wicScaled),
                Median(wicScaled) / bareMs);
    DeleteFileA(mpoPath.c_str());
    return 0;
}
