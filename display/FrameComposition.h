#pragma once
// Where the stereo frames put their pictures on a screen of W x H pixels, and the frames built row by
// row: the interleaved frame of a capture, and the frames of the viewer's pictures in every view mode.
// Plain code: the GDI side that draws with it is StereoFrame.h.

#include "display/DibImage.h"
#include "display/PictureScaler.h"

// The top-left corner of a picture drawn 1:1 in the middle of the screen. The vertical offset is even,
// so that the picture's row 0 falls on an even screen row; a picture at least as large as the screen
// in one direction starts at 0 in that direction.
struct CFrameOffset {
    int x;
    int y;
};
CFrameOffset CentredOffset(int screenWidth, int screenHeight, int width, int height);

// The two bands of Sync Double display with the gap adjustment applied: the top band is rows 0 to
// topEnd - 1, the bottom band rows bottomStart to H - 1. Both edges are kept within the screen, so an
// unusual screen size makes a band smaller or empty, never one drawn outside the screen or mirrored.
struct CSyncDoubleRows {
    int topEnd;
    int bottomStart;
};
CSyncDoubleRows SyncDoubleRows(int screenWidth, int screenHeight, int gapAdjust);

// Builds `frame` as a black 24-bit screenWidth x screenHeight frame whose even rows come from the left
// half of the side-by-side `pair` and whose odd rows from its right half, row r of the screen showing
// row r of the picture, aligned top-left, unscaled and cut off at the screen's edges. `pair` is freed.
// A pair that is empty or not 24 bits deep gives an all-black frame. False, with `frame` as it was and
// `pair` freed, when the frame cannot be made (a screen size that no bitmap holds, or no memory).
bool ComposeInterleavedFrame(CDibImage& pair, CDibImage& frame, int screenWidth, int screenHeight);

// The two eyes of a picture made ready to show, each already as large as it is shown (fitted to the
// screen, or the part of it that the screen shows): 24 bits a pixel.
struct CStereoPicture {
    CDibImage left;
    // Empty for a picture in 2D: both eyes see `left`.
    CDibImage right;
};

// The interleaved frame of Interlace and Line Blank, as ComposeInterleavedFrame above, straight from the
// rows of a side-by-side picture of `size` as they are decoded; only the rows that the screen shows are
// read. False when the frame cannot be made or the rows cannot be read (the frame then holds nothing
// of use).
bool ComposeInterleavedFrame(CRowSource& pair, CPictureSize size, CDibImage& frame, int screenWidth,
                             int screenHeight);
// The side-by-side picture of Sync Double from its eyes, decoded top left: the left eye beside the right
// one, each in a half as wide as the wider eye; uncovered pixels black. False, with `pair` as it was,
// when it cannot be made.
bool ComposeSideBySide(const CStereoPicture& eyes, CDibImage& pair);

// Builds `frame` to show `picture` in `viewMode` (a ViewMode) on a screenWidth x screenHeight screen,
// each eye where CentredOffset puts it; with `swapped` the left eye sees the picture's right and the
// right eye its left. Every pixel that no eye covers is black.
// - Interlace, Line Blank: W x H, the left eye's rows on the even screen rows, the right eye's on the
//   odd ones (each eye's row r on screen row r + its even vertical offset);
// - Sync Double: 2W x H, the left eye on the left W x H, the right eye on the right, as DrawSyncDouble
//   takes a side-by-side picture;
// - 2D: W x H, the left eye alone.
// False, with `frame` as it was, for another view mode or when the frame cannot be made.
bool ComposeStereoFrame(const CStereoPicture& picture, std::int32_t viewMode, bool swapped, CDibImage& frame,
                        int screenWidth, int screenHeight);

// Builds `frame` as the W x H red-cyan anaglyph of `picture` (RedCyan.h), a plain picture for the
// screen: each eye where CentredOffset puts it, the left eye behind the red filter (with `swapped`,
// the picture's right eye). Where one eye covers a pixel and the other does not, the other's is taken
// as black; every pixel that neither covers is black. False, with `frame` as it was, for a picture in
// 2D (it has no anaglyph), eyes not 24 bits deep, or when the frame cannot be made.
bool ComposeAnaglyphFrame(const CStereoPicture& picture, bool swapped, CDibImage& frame, int screenWidth,
                          int screenHeight);

// The view that the windows show a stereo picture in instead of a view mode, when the user chose the
// red-cyan anaglyph: a plain picture that needs no controller. Beside the view modes (0 to 3), for
// the frame makers and drawers only; it is never stored as a view mode.
inline constexpr std::int32_t kViewRedCyan = 4;

// Builds `frame` as ComposeStereoFrame does and `twin`, what swapping its eyes needs beyond what the
// frame holds: in Interlace and Line Blank the frame with the eyes swapped, whose rows are the rows of
// each eye that `frame` leaves out; empty in Sync Double, in 2D and for a picture in 2D. For
// kViewRedCyan, `frame` is ComposeAnaglyphFrame's, or for a picture in 2D the picture as 2D shows it,
// and `twin` is empty. False as ComposeStereoFrame, `twin` then empty.
bool ComposeStereoFrames(const CStereoPicture& picture, std::int32_t viewMode, bool swapped, CDibImage& frame,
                         CDibImage& twin, int screenWidth, int screenHeight);
// Swaps the eyes of `frame` in `viewMode`, as ComposeStereoFrames made it with `twin`: Sync Double
// exchanges the frame's halves (each eye's screen is a half of its own, the same whichever eye it
// shows); Interlace and Line Blank exchange frame and twin. False, with both as they were, in 2D or
// without a twin where one is needed.
bool SwapStereoFrame(std::int32_t viewMode, CDibImage& frame, CDibImage& twin);
