// Prints, on the screen it runs on (meant for 1920x1080):
// - what the viewer's opening of a 6000 x 4000 per eye .mpo and showing it fitted costs (reading the
//   file and its index, decoding each picture to its fitted size, composing the Interlace frame)
//   beside the bare decoding of its two pictures (each decoded whole into 24-bit rows by WIC), with
//   their ratio (goal: at most 1.2); for comparison the same pictures decoded whole and then scaled by
//   WIC's own scaler, and whether the system's JPEG decoder offers to decode a picture smaller
//   (IWICBitmapSourceTransform);
// - ZeltoViewer.exe paging through a folder of such .mpo files in Interlace, its frames read from the X
//   screen: the step at a reading pace (a key every 2 s) from the key to the new frame on the screen
//   (goal: at most 30 ms); the step when keys come faster than decoding (three keys a quarter of a
//   bare decoding apart), from the last key to the frame, beside the bare decoding (goal: at most 1.1
//   times); the longest time its window did not answer meanwhile (goal: at most 50 ms); its peak
//   working set above that of showing one such picture, in screen frames (goal: at most 3); then the
//   same folder in the red-cyan view: the step at a reading pace (goal: at most 30 ms), and a
//   slideshow of 2 s a picture, how late each step shows after its time (goal: at most 50 ms);
// - hostile files (headers that claim pictures far larger than their files, and the largest ones the
//   decoding bound lets through): the longest that one of them keeps the viewer's preparing busy
//   (goal: at most 1 s), and the viewer's peak working set paging through them above that of showing
//   one 1920x1080 picture (goal: at most 512 MiB).

#include "bench/BenchClock.h"
#include "bench/WindowBench.h"
#include "display/CodecRuntime.h"
#include "display/FrameComposition.h"
#include "display/JpegCodec.h"
#include "display/JpegHeader.h"
#include "display/PictureFile.h"
#include "settings/CaptureSettings.h"
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

constexpr int kFolderPictures = 5;
// Where the screen is probed: the middle of a block of the picture's own colour, a quarter across and
// a quarter down each eye, fitted to the screen.
constexpr int kBlockX = kEyeWidth / 4;
constexpr int kBlockY = kEyeHeight / 4;

COLORREF ColourOf(int picture) {
    return RGB(200, 30 + 35 * picture, 60);
}

// A picture with detail like a photograph's: gradients, texture and specks; `shift` moves it sideways
// as the other eye sees it; a block of `colour` around a quarter across and down. Encoded as a JPEG
// stream by the suite's codec.
testing_support::CBytes MakeJpeg(int shift, const std::string& path, COLORREF colour = ColourOf(0)) {
    CDibImage image;
    if (!image.Create(kDibTrueColour, kEyeWidth, kEyeHeight))
        return {};
    for (int y = 0; y < kEyeHeight; ++y) {
        std::uint8_t* row = image.RowFromTop(y);
        for (int x = 0; x < kEyeWidth; ++x) {
            const int u = x + shift;
            const bool block = std::abs(x - kBlockX) < 300 && std::abs(y - kBlockY) < 300;
            const bool speck = ((u * 7 + y * 13) % 23) == 0;
            row[3 * x] = static_cast<std::uint8_t>(block   ? GetBValue(colour)
                                                   : speck ? 0
                                                           : (u * 255) / kEyeWidth);
            row[3 * x + 1] = static_cast<std::uint8_t>(block   ? GetGValue(colour)
                                                       : speck ? 0
                                                               : (y * 255) / kEyeHeight);
            row[3 * x + 2] = static_cast<std::uint8_t>(
                block ? GetRValue(colour) : ((u / 16 + y / 16) % 2) * 120 + 60 + (u * y) % 17);
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

bool WriteBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    CFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string FreshDirectory(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + name + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

void RemoveDirectoryWithFiles(const std::string& dir) {
    WIN32_FIND_DATAA found;
    CFindHandle finder(FindFirstFileA((dir + "*").c_str(), &found));
    while (finder) {
        DeleteFileA((dir + found.cFileName).c_str());
        if (!FindNextFileA(finder, &found))
            break;
    }
    finder.reset();
    RemoveDirectoryA(dir.c_str());
}

// ZeltoViewer.exe opened on the picture file `path`.
bool StartViewer(CBenchProgram& viewer, const std::string& path) {
    return viewer.Start(QuotedArgument(BesideThisProgram("ZeltoViewer.exe")) + " " + QuotedArgument(path));
}

// The folder of .mpo files in the red-cyan view: its reading-pace step, and a slideshow's steps.
void RedCyanAndSlideshow(const std::string& dir, const CXScreen& screen, int x, int y) {
    constexpr int kSlideshowSeconds = 2;
    constexpr int kSlideshowSteps = 10;
    // Both eyes show the block at the probe: its anaglyph is one colour.
    const auto anaglyphOf = [](int k) { return RedCyanOfSolid(ColourOf(k)); };
    if (!StoreViewerChoices(1, kSlideshowSeconds)) {
        std::printf("cannot store the viewer's choices\n");
        return;
    }
    CBenchProgram viewer;
    if (!StartViewer(viewer, dir + "p0.mpo") || screen.Until(x, y, anaglyphOf(0), NowMilliseconds()) < 0) {
        std::printf("the viewer did not show the first picture in red-cyan\n");
        RemoveViewerChoices();
        return;
    }
    const CPagingFigures figures = PageThrough(viewer, screen, x, y, kFolderPictures, anaglyphOf, 0, 0, 0);
    // Two rounds of the folder leave it on its first picture; a pause, and the next one is prepared.
    Sleep(2000);
    const std::vector<double> late = SlideshowLateness(viewer, screen, x, y, kFolderPictures, 0, anaglyphOf,
                                                       kSlideshowSeconds * 1000.0, kSlideshowSteps);
    viewer.End();
    RemoveViewerChoices();
    std::printf("the same folder in the red-cyan view; load %s\n", LoadAverage().c_str());
    std::printf("step at a reading pace, key to frame on the screen:  %8.1f ms median, %.1f ms longest "
                "(goal <= 30)\n",
                Median(figures.reading), *std::max_element(figures.reading.begin(), figures.reading.end()));
    std::printf("slideshow of %d s a picture, each step after its time (goal <= 50 ms):", kSlideshowSeconds);
    for (double ms : late)
        std::printf(" %.1f", ms);
    std::printf(" ms; median %.1f, latest %.1f\n", Median(late), *std::max_element(late.begin(), late.end()));
}

// ZeltoViewer.exe paging through a folder of .mpo files of two 6000 x 4000 pictures in Interlace.
void PageThroughFolder(double bareMs, int screenWidth, int screenHeight) {
    const std::string dir = FreshDirectory("zelto-viewer-bench-folder");
    const std::string alone = FreshDirectory("zelto-viewer-bench-one");
    const std::string jpegPath = dir + "eye.jpg";
    for (int k = 0; k < kFolderPictures; ++k) {
        const testing_support::CBytes mpo = testing_support::BuildMultiPictureFile(
            {MakeJpeg(0, jpegPath, ColourOf(k)), MakeJpeg(40, jpegPath, ColourOf(k))});
        WriteBytes(dir + "p" + std::to_string(k) + ".mpo", mpo);
    }
    DeleteFileA(jpegPath.c_str());
    CopyFileA((dir + "p0.mpo").c_str(), (alone + "p0.mpo").c_str(), FALSE);
    WriteCaptureSettings(kViewInterlace, dir, "p");

    // The block's middle on the screen, on an even row: the left eye's.
    const CPictureSize fitted =
        FitWithin(kEyeWidth, kEyeHeight,
                  {static_cast<std::uint32_t>(screenWidth), static_cast<std::uint32_t>(screenHeight)});
    const CFrameOffset offset = CentredOffset(screenWidth, screenHeight, static_cast<int>(fitted.width),
                                              static_cast<int>(fitted.height));
    const int x = offset.x + static_cast<int>(std::uint64_t{kBlockX} * fitted.width / kEyeWidth);
    const int y = (offset.y + static_cast<int>(std::uint64_t{kBlockY} * fitted.height / kEyeHeight)) & ~1;
    CXScreen screen;
    double alonePeak = 0;
    {
        CBenchProgram viewer;
        if (!StartViewer(viewer, alone + "p0.mpo") ||
            screen.Until(x, y, ColourOf(0), NowMilliseconds()) < 0) {
            std::printf("the viewer did not show the picture\n");
            return;
        }
        // The picture made anew while it is shown, unscaled and fitted again: one decoding beside it.
        for (int key = 0; key < 2; ++key) {
            Sleep(2000);
            viewer.Key('F');
        }
        Sleep(5000);
        alonePeak = viewer.PeakWorkingSet();
        viewer.End();
    }
    CBenchProgram viewer;
    if (!StartViewer(viewer, dir + "p0.mpo") || screen.Until(x, y, ColourOf(0), NowMilliseconds()) < 0) {
        std::printf("the viewer did not show the first picture\n");
        return;
    }
    const CPagingFigures figures =
        PageThrough(viewer, screen, x, y, kFolderPictures, ColourOf, 4, 3000, bareMs);
    viewer.End();
    std::printf("ZeltoViewer.exe paging through %d such .mpo files in Interlace; load %s\n", kFolderPictures,
                LoadAverage().c_str());
    PrintPagingFigures(figures, bareMs, alonePeak, "made twice more meanwhile", screenWidth, screenHeight);
    RedCyanAndSlideshow(dir, screen, x, y);
    RemoveDirectoryWithFiles(dir);
    RemoveDirectoryWithFiles(alone);
}

// The sample `name` (beside the tests) with its frame header's size made width x height and `junk`
// bytes of scan data added before its end.
testing_support::CBytes Forged(const std::string& name, std::uint16_t width, std::uint16_t height,
                               std::size_t junk) {
    std::ifstream file(BesideThisProgram("jpeg-samples\\" + name), std::ios::binary);
    testing_support::CBytes bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    for (std::size_t i = 2; i + 8 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
            bytes[i + 5] = static_cast<std::uint8_t>(height >> 8);
            bytes[i + 6] = static_cast<std::uint8_t>(height);
            bytes[i + 7] = static_cast<std::uint8_t>(width >> 8);
            bytes[i + 8] = static_cast<std::uint8_t>(width);
            break;
        }
    }
    if (bytes.size() < 2)
        return bytes;
    testing_support::CBytes scan(junk);
    std::uint32_t seed = 1;
    for (std::uint8_t& byte : scan) {
        seed = seed * 1103515245 + 12345;
        byte = static_cast<std::uint8_t>(std::min<std::uint32_t>(seed >> 16 & 0xFF, 0xFE));
    }
    bytes.insert(bytes.end() - 2, scan.begin(), scan.end());
    return bytes;
}

// Hostile files: what one costs the viewer's preparing at the most, and the viewer's peak working set
// paging through them beside that of showing one 1920 x 1080 picture.
void HostileFiles(int screenWidth, int screenHeight) {
    const std::string dir = FreshDirectory("zelto-viewer-bench-hostile");
    const std::string alone = FreshDirectory("zelto-viewer-bench-plain");
    {
        CDibImage pair;
        pair.Create(kDibTrueColour, 3840, 1080);
        for (int y = 0; y < 1080; ++y)
            for (int x = 0; x < 3840; ++x)
                std::memset(pair.RowFromTop(y) + 3 * x, (x + y) % 256, 3);
        EncodeJpegDib(reinterpret_cast<const BITMAPINFOHEADER*>(pair.Header()), pair.Pixels(),
                      (alone + "a.jps").c_str());
        CopyFileA((alone + "a.jps").c_str(), (dir + "a.jps").c_str(), FALSE);
    }
    struct CHostile {
        const char* name;
        testing_support::CBytes bytes;
    };
    std::vector<CHostile> hostile;
    hostile.push_back({"16384 x 16384 in a small file", Forged("baseline.jpg", 16384, 16384, 0)});
    hostile.push_back({"16384 x 1", Forged("baseline.jpg", 16384, 1, 0)});
    hostile.push_back(
        {"progressive 16384 x 16384 in a small file", Forged("progressive.jpg", 16384, 16384, 0)});
    hostile.push_back({"30000 x 30000", Forged("baseline.jpg", 30000, 30000, 0)});
    // The largest that the decoding bound lets through: about 1000 pixels a byte.
    hostile.push_back({"16000 x 6000 in 94 kB", Forged("baseline.jpg", 16000, 6000, 94000)});
    hostile.push_back({"8000 x 6000 in 47 kB", Forged("baseline.jpg", 8000, 6000, 47000)});
    hostile.push_back({"progressive 6000 x 4000 in 24 kB", Forged("progressive.jpg", 6000, 4000, 24000)});
    const CPictureSize screen{static_cast<std::uint32_t>(screenWidth),
                              static_cast<std::uint32_t>(screenHeight)};
    std::printf("hostile files, each as one side-by-side picture; load %s\n", LoadAverage().c_str());
    double longest = 0;
    for (std::size_t i = 0; i < hostile.size(); ++i) {
        const std::string path = dir + "h" + std::to_string(i) + ".jps";
        WriteBytes(path, hostile[i].bytes);
        CStereoPicture picture;
        CDibImage frame;
        const double start = NowMilliseconds();
        const bool made =
            LoadStereoPicture(std::wstring(path.begin(), path.end()), CPictureKind::kSideBySide,
                              {screen, CEyeScaling::kFitted, CEyeChoice::kBoth},
                              picture) == CPictureResult::kMade &&
            ComposeStereoFrame(picture, kViewInterlace, false, frame, screenWidth, screenHeight);
        const double took = NowMilliseconds() - start;
        longest = std::max(longest, took);
        std::printf("  %-44s %8.1f ms, %s\n", hostile[i].name, took, made ? "shown" : "passed over");
    }
    std::printf("longest that a hostile file keeps the preparing busy: %7.1f ms (goal <= 1000)\n", longest);

    WriteCaptureSettings(kViewInterlace, dir, "h");
    double plainPeak = 0;
    {
        CBenchProgram viewer;
        if (!StartViewer(viewer, alone + "a.jps"))
            return;
        Sleep(3000);
        plainPeak = viewer.PeakWorkingSet();
        viewer.End();
    }
    CBenchProgram viewer;
    if (!StartViewer(viewer, dir + "a.jps"))
        return;
    for (std::size_t step = 0; step <= hostile.size(); ++step) {
        Sleep(3000);
        viewer.Key(VK_NEXT);
    }
    Sleep(3000);
    const double peak = viewer.PeakWorkingSet();
    viewer.End();
    std::printf("peak working set paging through them %.1f MB, showing a 1920x1080 picture %.1f MB: %.1f MiB "
                "above (goal <= 512)\n",
                peak / 1048576, plainPeak / 1048576, (peak - plainPeak) / 1048576);
    RemoveDirectoryWithFiles(dir);
    RemoveDirectoryWithFiles(alone);
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
        if (LoadStereoPicture(widePath, CPictureKind::kMultiPicture,
                              {screen, CEyeScaling::kFitted, CEyeChoice::kBoth},
                              picture) != CPictureResult::kMade ||
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

    PageThroughFolder(bareMs, screenWidth, screenHeight);
    HostileFiles(screenWidth, screenHeight);
    return 0;
}
