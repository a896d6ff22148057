#pragma once
// Helpers of the stereo display tests: pictures made from a colour function, screen-sized memory
// device contexts, pixel-for-pixel comparisons, capture series written with the JPEG codec, and the
// windows of this thread found from a watching thread.

#include "display/DibImage.h"
#include "tests/support/WineTestSupport.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace display_testing {

using Colour = std::function<COLORREF(int x, int y)>;

// A 24-bit picture of `width` x `height` whose pixel (x, y), y from the top, is `colour(x, y)`.
void FillImage(CDibImage& image, int width, int height, const Colour& colour);

// The same picture as a packed DIB in movable global memory (the codec's form); the caller frees it.
HGLOBAL MakePackedDib(int width, int height, const Colour& colour);

// A side-by-side picture of `width` x `height` whose left half is `left` and right half `right`,
// encoded as a JPEG file at `path`.
bool WritePairFile(const std::string& path, int width, int height, COLORREF left, COLORREF right);

// A memory device context compatible with the screen, holding a W x H bitmap (the screen's size).
class CScreenMemory {
public:
    CScreenMemory();
    ~CScreenMemory();
    CScreenMemory(const CScreenMemory&) = delete;
    CScreenMemory& operator=(const CScreenMemory&) = delete;

    HDC dc() const { return m_dc; }
    HBITMAP bitmap() const { return m_bitmap; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    void Fill(COLORREF colour);
    testing_support::CPixels Read() const;

private:
    int m_width = 0;
    int m_height = 0;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
};

// Compares every pixel with `expected(x, y)` (a COLORREF); reports the first few differences and
// returns how many pixels differ.
int CountDifferences(const testing_support::CPixels& pixels, const Colour& expected, const std::string& what);

// Whether two colours differ by at most `tolerance` in every channel (JPEG coding is not exact).
bool Near(std::uint32_t pixel, COLORREF colour, int tolerance = 12);

// A fresh directory under the temporary directory, removed with everything in it at the end.
class CTempDirectory {
public:
    explicit CTempDirectory(const std::string& name);
    ~CTempDirectory();
    CTempDirectory(const CTempDirectory&) = delete;
    CTempDirectory& operator=(const CTempDirectory&) = delete;

    // The directory's path, ending with a backslash.
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// The names of the files that match `pattern`, in the file system's enumeration order.
std::vector<std::string> EnumerateFiles(const std::string& pattern);
// Replaces the file at `path` with an empty one, as a failed capture leaves it.
void MakeEmptyFile(const std::string& path);
// The bytes of the file at `path`.
std::string ReadFileBytes(const std::string& path);

// The first visible top-level window of thread `threadId` other than `except`; null when none.
HWND FindThreadWindow(DWORD threadId, HWND except = nullptr);

} // namespace display_testing
