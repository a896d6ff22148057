#pragma once
// The names of the stereo formats as the capture settings and the test list them; the position in the
// list is the ViewMode value. The test offers the first three.

inline constexpr const char* kViewModeNames[] = {"Interlacing", "Sync. Doubling", "Line Blanking", "2D"};
inline constexpr int kTestFormatCount = 3;
