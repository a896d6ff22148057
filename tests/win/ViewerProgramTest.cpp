// ZeltoViewer.exe started for real on capture settings in the registry and a capture series, or on a
// picture file given on its command line as Explorer gives it, watched from this process: its window,
// the frames on the screen, paging, Escape, another program's close request, and what it says when it
// has nothing to show.

#include "tests/win/DisplayTestSupport.h"

#include <shlobj.h>

#include <gtest/gtest.h>

using namespace display_testing;
using namespace testing_support;

namespace {

const std::string kCaptureKey = std::string(kProductKeyPath) + "\\1.0\\Capture";

class ViewerProgram : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteProductTree();
        W = GetSystemMetrics(SM_CXSCREEN);
        H = GetSystemMetrics(SM_CYSCREEN);
        for (int k = 0; k < 3; ++k) {
            const std::string name = series.path() + "view0" + std::to_string(k);
            ASSERT_TRUE(WritePairFile(name + ".jps", 2 * W, H, SeriesLeftColour(k), SeriesRightColour(k)));
            ASSERT_TRUE(WritePairFile(name + ".jpg", W / 2, H / 2, SeriesFlatColour(k), SeriesFlatColour(k)));
        }
        order = EnumerateFiles(series.path() + "view??.jps");
        jpgOrder = EnumerateFiles(series.path() + "view??.jpg");
    }
    void TearDown() override {
        viewer.Terminate();
        DeleteProductTree();
    }

    void StoreSettings(int viewMode, const std::string& dir, const std::string& name) {
        WriteRegistryNumber(kCaptureKey, "View Mode", static_cast<std::uint32_t>(viewMode));
        WriteRegistryString(kCaptureKey, "Dir", dir);
        WriteRegistryString(kCaptureKey, "Name", name);
    }

    // The viewer's visible window, or null once the program has ended or `timeoutMs` passed.
    HWND Start(const std::string& arguments = {}, DWORD timeoutMs = 10000) {
        EXPECT_TRUE(viewer.Start(PathBesideTest("ZeltoViewer.exe"), arguments));
        HWND found = nullptr;
        WaitUntil(
            [&] { return (found = FindThreadWindow(viewer.ThreadId())) != nullptr || !viewer.IsRunning(); },
            timeoutMs);
        return found;
    }

    // The picture of the series that the screen shows in rows 100 and 101 (an interleaved frame).
    int InterleavedPicture() const {
        const CPixels rows = ReadScreen(W / 4, 100, 1, 2);
        for (int k = 0; k < 3; ++k)
            if (rows.data.size() == 2 && Near(rows.At(0, 0), SeriesLeftColour(k)) &&
                Near(rows.At(0, 1), SeriesRightColour(k)))
                return k;
        return -1;
    }

    // Whether the screen comes to show a Sync Double frame of the series' first picture: the top band
    // shows its left half.
    bool ShowsFirstSyncDoublePicture() const {
        return WaitUntil(
            [&] {
                const CPixels top = ReadScreen(W / 2, 60, 1, 1);
                return !top.data.empty() && Near(top.At(0, 0), SeriesLeftColour(order[0][5] - '0'));
            },
            10000);
    }

    // Ends the viewer with Escape (once its frame is shown); its exit code.
    long Escape(HWND window) {
        PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 1);
        return viewer.Wait(5000);
    }

    // Starts the viewer on settings or `arguments` that it must refuse: instead of its window it shows
    // a message box that begins with `says`, and ends with exit code 1 once that is answered.
    void ExpectRefused(const char* what, const std::string& says, const std::string& arguments = {}) {
        HWND box = Start(arguments);
        ASSERT_NE(box, nullptr) << what << ": the viewer ended without a word";
        char className[16] = {};
        GetClassNameA(box, className, sizeof className);
        EXPECT_EQ(std::string(className), "#32770") << what;
        EXPECT_EQ(MessageBoxText(box).substr(0, says.size()), says) << what;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(viewer.Wait(5000), 1) << what;
    }

    static std::string Title(HWND window) {
        char title[256] = {};
        GetWindowTextA(window, title, sizeof title);
        return title;
    }

    int W = 0;
    int H = 0;
    CTempDirectory series{"zelto-viewer"};
    std::vector<std::string> order;
    std::vector<std::string> jpgOrder;
    CChildProcess viewer;
};

} // namespace

TEST_F(ViewerProgram, ShowsTheStoredSeriesFullScreenPagesAndEndsOnEscape) {
    StoreSettings(0, series.path(), "view");
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    RECT area;
    GetWindowRect(window, &area);
    EXPECT_TRUE(area.left == 0 && area.top == 0 && area.right == W && area.bottom == H);
    EXPECT_NE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_TRUE(WaitUntil([&] { return InterleavedPicture() == order[0][5] - '0'; }, 10000))
        << "the first frame";

    PostMessageA(window, WM_KEYDOWN, VK_NEXT, 1);
    EXPECT_TRUE(WaitUntil([&] { return InterleavedPicture() == order[1][5] - '0'; }, 10000)) << "Page Down";
    // Return is ignored.
    PostMessageA(window, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(viewer.Wait(500), -1) << "Return ended the viewer";
    EXPECT_EQ(Escape(window), 0);
}

TEST_F(ViewerProgram, TwoDShowsTheJpgFiles) {
    StoreSettings(3, series.path(), "view");
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(WaitUntil(
        [&] {
            // Clear of the mouse pointer, which the X server's screen shows in its middle.
            const CPixels middle = ReadScreen(W / 2 + W / 8, H / 2, 1, 1);
            const CPixels corner = ReadScreen(W / 8, H / 8, 1, 1);
            return !middle.data.empty() && Near(middle.At(0, 0), SeriesFlatColour(jpgOrder[0][5] - '0')) &&
                   !corner.data.empty() && corner.At(0, 0) == 0;
        },
        10000))
        << "the first .jpg, centred over black";
    EXPECT_EQ(Escape(window), 0);
}

TEST_F(ViewerProgram, TheDefaultDirectoryAndNameStandInForMissingValues) {
    WriteRegistryNumber(kCaptureKey, "View Mode", 1);
    WriteRegistryString(kCaptureKey, "Default Dir", series.path());
    WriteRegistryString(kCaptureKey, "Default Name", "view");
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(ShowsFirstSyncDoublePicture());
    EXPECT_EQ(Escape(window), 0);

    // "Dir" and "Name" win over the defaults.
    WriteRegistryString(kCaptureKey, "Dir", "C:\\nowhere\\");
    ExpectRefused("a stored directory without captures",
                  "There is no picture to show in C:\\nowhere\\view??.jps.");
}

TEST_F(ViewerProgram, AnotherProgramsCloseRequestEndsIt) {
    StoreSettings(1, series.path(), "view");
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(ShowsFirstSyncDoublePicture());
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(viewer.Wait(5000), 0);
}

TEST_F(ViewerProgram, SaysWhenTheSettingsOrTheSeriesAreMissing) {
    const std::string noSettings = "There are no capture settings";
    ExpectRefused("no Capture key", noSettings);

    WriteRegistryString(kCaptureKey, "Dir", series.path());
    WriteRegistryString(kCaptureKey, "Name", "view");
    ExpectRefused("no View Mode", noSettings);

    DeleteProductTree();
    WriteRegistryNumber(kCaptureKey, "View Mode", 0);
    WriteRegistryString(kCaptureKey, "Name", "view");
    WriteRegistryString(kCaptureKey, "Default Name", "view");
    // Without a folder stored, the user's own: "Zelto Captures" in their Pictures.
    char pictures[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, pictures), S_OK);
    ExpectRefused("neither Dir nor Default Dir", "There is no picture to show in " + std::string(pictures) +
                                                     "\\Zelto Captures\\view??.jps.");
    DeleteProductTree();
    WriteRegistryNumber(kCaptureKey, "View Mode", 0);
    WriteRegistryString(kCaptureKey, "Dir", series.path());
    ExpectRefused("neither Name nor Default Name", noSettings);

    const std::string nothing = "There is no picture to show in ";
    StoreSettings(7, series.path(), "view");
    ExpectRefused("View Mode 7", nothing);
    StoreSettings(0, series.path(), "none");
    ExpectRefused("no matching file", nothing + series.path() + "none??.jps.");

    std::string withoutBackslash = series.path();
    withoutBackslash.pop_back();
    StoreSettings(0, withoutBackslash, "view");
    ExpectRefused("a directory without its final backslash", nothing + withoutBackslash + "view??.jps.");

    for (const std::string& name : order)
        MakeEmptyFile(series.path() + name);
    StoreSettings(0, series.path(), "view");
    ExpectRefused("only empty files", nothing + series.path() + "view??.jps.");
}

TEST_F(ViewerProgram, OpensAPictureGivenAsExplorerDoesAndPagesThroughItsFolderInExplorersOrder) {
    // Interlace; the stored series plays no part.
    StoreSettings(0, series.path(), "view");
    CTempDirectory pictures{"zelto viewer pictures"};
    const std::string dir = pictures.path();
    // The stereo pictures in Explorer's order: b 1.mpo (its second picture past the file's end), p 1.mpo,
    // p 2.jps, p 10.jps. The .jpg and the hidden .jps are not among them.
    testing_support::CMultiPictureLayout layout;
    testing_support::CBytes damaged =
        MultiPictureBytes(W / 2, H / 2, {SeriesLeftColour(2), SeriesRightColour(2)}, &layout);
    damaged[layout.firstEntry + 16 + 10] = 0x7F;
    ASSERT_TRUE(WriteFileBytes(dir + "b 1.mpo", damaged));
    ASSERT_TRUE(WriteFileBytes(dir + "p 1.mpo",
                               MultiPictureBytes(W / 2, H / 2, {SeriesLeftColour(0), SeriesRightColour(0)})));
    // Square eyes: fitted, they fill the screen's height in its middle.
    ASSERT_TRUE(WritePairFile(dir + "p 2.jps", H, H / 2, SeriesLeftColour(1), SeriesRightColour(1)));
    ASSERT_TRUE(WritePairFile(dir + "p 10.jps", 2 * W, H, SeriesLeftColour(2), SeriesRightColour(2)));
    ASSERT_TRUE(WritePairFile(dir + "p 3.jpg", W, H, SeriesFlatColour(0), SeriesFlatColour(0)));
    ASSERT_TRUE(WritePairFile(dir + "p 4.jps", 2 * W, H, SeriesLeftColour(0), SeriesRightColour(0)));
    SetFileAttributesA((dir + "p 4.jps").c_str(), FILE_ATTRIBUTE_HIDDEN);

    HWND window = Start("\"" + dir + "p 2.jps\"");
    ASSERT_NE(window, nullptr);
    const auto shows = [&](const std::string& position, int picture, const char* step) {
        const std::string title = position + " - Zelto Viewer";
        EXPECT_TRUE(
            WaitUntil([&] { return Title(window) == title && InterleavedPicture() == picture; }, 10000))
            << step << ": " << Title(window) << ", picture " << InterleavedPicture();
    };
    shows("p 2.jps   3 / 4", 1, "the file given");
    const CPixels side = ReadScreen((W - H) / 4, H / 2, 1, 1);
    EXPECT_TRUE(!side.data.empty() && side.At(0, 0) == 0) << "the sides of square eyes stay black";

    PostMessageA(window, WM_KEYDOWN, VK_NEXT, 1);
    shows("p 10.jps   4 / 4", 2, "Page Down");
    PostMessageA(window, WM_KEYDOWN, VK_NEXT, 1);
    shows("p 1.mpo   2 / 4", 0, "Page Down from the last, past the damaged index");
    PostMessageA(window, WM_KEYDOWN, VK_END, 1);
    shows("p 10.jps   4 / 4", 2, "End");
    PostMessageA(window, WM_KEYDOWN, VK_HOME, 1);
    shows("p 1.mpo   2 / 4", 0, "Home");
    EXPECT_EQ(Escape(window), 0);
}

TEST_F(ViewerProgram, SaysWhenAPathGivenCannotBeShown) {
    StoreSettings(1, series.path(), "view");
    CTempDirectory pictures{"zelto-viewer-refused"};
    const std::string dir = pictures.path();
    testing_support::CMultiPictureLayout layout;
    testing_support::CBytes damaged =
        MultiPictureBytes(64, 48, {SeriesLeftColour(0), SeriesRightColour(0)}, &layout);
    damaged[layout.pictureNumber] = 0;
    ASSERT_TRUE(WriteFileBytes(dir + "damaged.mpo", damaged));
    ExpectRefused("a damaged index", dir + "damaged.mpo cannot be shown", "\"" + dir + "damaged.mpo\"");
    ExpectRefused("a missing file", "The viewer cannot find " + dir + "missing.jps",
                  "\"" + dir + "missing.jps\"");
    ASSERT_TRUE(WritePairFile(dir + "picture.gif", 64, 48, SeriesFlatColour(0), SeriesFlatColour(0)));
    ExpectRefused("another type", dir + "picture.gif is not a picture that the viewer shows",
                  "\"" + dir + "picture.gif\"");
    DeleteFileA((dir + "picture.gif").c_str());
    MakeEmptyFile(dir + "empty.jps");
    std::string folder = dir;
    folder.pop_back();
    ExpectRefused("a folder without a picture that can be read", "There is no picture to show in " + folder,
                  "\"" + folder + "\"");
}
