#include "keyhook/SharedState.h"

#include "framework/Compiler.h"

namespace {

// A table row from its colour letters: R red, G green, Y yellow, K black.
constexpr void FillColorCodes(COLORREF (&table)[kColorCodeRows], const char (&letters)[kColorCodeRows + 1]) {
    for (int row = 0; row < kColorCodeRows; ++row) {
        switch (letters[row]) {
        case 'R':
            table[row] = 0x000000FF;
            break;
        case 'G':
            table[row] = 0x0000FF00;
            break;
        case 'Y':
            table[row] = 0x0000FFFF;
            break;
        default:
            table[row] = 0x00000000;
            break;
        }
    }
}

constexpr CKeyHookShared MakeInitialState() {
    CKeyHookShared state{7, nullptr, nullptr, {}, {}, {}};
    FillColorCodes(state.colorCodes[0], "RGRGRGRGGGYGYGRG"); // Interlace
    FillColorCodes(state.colorCodes[1], "RGRGRGRGGGYGYGRG"); // Page Flip
    FillColorCodes(state.colorCodes[2], "RGRGRGRGGGYGYGGG"); // Sync Double
    FillColorCodes(state.colorCodes[3], "RGRGRGRGGGYGYGYG"); // Line Blank
    FillColorCodes(state.colorCodes[4], "RGRGRGRGGGYGYGKG"); // Normal
    return state;
}

// Constant-initialised: the library image holds the initial state.
ZELTO_STATE_DATA constinit CKeyHookShared g_shared = MakeInitialState();

} // namespace

constinit const CKeyHookShared kInitialKeyHookShared = MakeInitialState();

CKeyHookShared& KeyHookShared() noexcept {
    return g_shared;
}
