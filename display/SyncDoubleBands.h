#pragma once
// Where the two images of a stereo pair lie on the screen in Sync Double display, by screen width: the
// top band is rows 0 to topRows - 1, the bottom band runs from row bottomStart to the bottom of the
// screen. The capture splits the screen by the same table, so a captured picture is shown where it was
// taken from. Plain code, free of Windows headers.

struct CSyncDoubleBands {
    int topRows;     // T: rows of the top band
    int bottomStart; // B: first row of the bottom band
};

// The bands for a screen of `width` x `height` pixels. Five widths have rows of their own; any other
// width splits the height in the middle with a 40-row gap.
CSyncDoubleBands SyncDoubleBands(int width, int height);
