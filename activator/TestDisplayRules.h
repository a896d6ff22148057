#pragma once
// The test's rules that need no Windows API: which files count as Windows bitmaps and where the test
// display puts the two bitmaps in Sync Double.

#include <string>

// True when the file name part of `path` ends in ".bmp", in any case.
bool HasBitmapExtension(const std::string& path);

// A rectangle in the RECT layout: left, top, right, bottom.
struct CTestBand {
    int left;
    int top;
    int right;
    int bottom;
};
struct CTestBands {
    CTestBand top;    // for the left bitmap
    CTestBand bottom; // for the right bitmap
};

// The Sync Double bands of the test display on a screen of `width` x `height`, chosen by the width:
// rows 0-199 and 263-462 at 640, 0-286 and 315-599 at 800, 0-364 and 404-767 at 1024, and otherwise
// the height split at H/2 with a gap of H/48 rows on either side. Both span the full width and are
// kept within the screen's height, so a short screen cuts a band rather than drawing past the frame.
CTestBands TestDisplayBands(int width, int height);
