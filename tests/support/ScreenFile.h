#pragma once
// The screen as the X server shows it: the file in which Xvfb keeps its screen (Xvfb_screen0 in the
// directory that ZELTO_FBDIR names; tools/wine-session.sh starts Xvfb so). What the file holds is what
// a monitor on that display would show, whichever process drew what and whether or not its drawing has
// reached the X server yet: a window's own surface does not count until it has. The Wine virtual
// desktop of a test lies at the top left of the X screen, so screen coordinates are the file's. The
// file shows the mouse pointer too, which starts in the middle of the X screen: read clear of it.
//
// Nothing but the Windows API: benchmarks use it as well as the tests.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class CScreenFile {
public:
    // Opens the file of the X screen that ZELTO_FBDIR names; see IsOpen.
    CScreenFile();
    ~CScreenFile();
    CScreenFile(const CScreenFile&) = delete;
    CScreenFile& operator=(const CScreenFile&) = delete;

    // False when ZELTO_FBDIR is not set or its file is not a 32-bit XWD picture; Problem() says why.
    bool IsOpen() const noexcept { return m_file != INVALID_HANDLE_VALUE; }
    const std::string& Problem() const noexcept { return m_problem; }
    int Width() const noexcept { return m_width; }
    int Height() const noexcept { return m_height; }

    // The pixels of the rectangle (x, y, width, height), rows from the top, as 0x00RRGGBB; empty when
    // the file is not open or the rectangle is not within the X screen.
    std::vector<std::uint32_t> Read(int x, int y, int width, int height) const;

private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
    std::string m_problem;
    int m_width = 0;
    int m_height = 0;
    DWORD m_pixelsAt = 0;
    DWORD m_bytesPerLine = 0;
};
