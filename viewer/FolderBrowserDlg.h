#pragma once
// The viewer's browser on a folder of pictures, opened from a picture file or a folder given to the
// program: the captured-image browser (ImageBrowserDlg.h), with its flashes, closing and Sync Double
// alignment, paging through the pictures of the file's family in that folder (PictureFolder.h) from
// the file on, each eye fitted to the screen, the eyes swapped on request. Until a folder is opened,
// the window is the captured-image browser in every respect.
//
// Keys and buttons, once the first frame is drawn: Page Down, Down, Right, Space, the left button and
// the wheel turned towards the user show the next picture; Page Up, Up, Left, Backspace, the right
// button and the wheel turned away the previous one; both wrap around at the ends, passing over files
// that cannot be read. Home and End show the first and the last picture, F switches between fitted and
// unscaled pictures, S swaps the eyes. After each step the picture's name and position ("12 / 40")
// show at the bottom left for a moment; the window's title keeps them.

#include "display/ImageBrowserDlg.h"
#include "viewer/PictureFolder.h"

#include <string>

class CFolderBrowserDlg : public CImageBrowserDlg {
public:
    static constexpr UINT_PTR kPositionTimer = 2;
    static constexpr UINT kPositionMilliseconds = 2000;
    // The box behind the name and position.
    static constexpr COLORREF kPositionBackground = RGB(24, 24, 24);

    enum class COpenResult {
        kOpened,
        kNotFound,    // no such file or folder
        kNotAPicture, // a file of a type that the viewer does not show
        kUnreadable,  // the picture file given cannot be read or decoded
        kNoPicture,   // a folder without a picture that can be read
    };

    using CImageBrowserDlg::CImageBrowserDlg;

protected:
    // Opens the folder of the picture file `path` at that file, or the folder `path` at its first
    // picture that can be read (of the stereo family in the stereo view modes, else of the flat one),
    // and prepares the frame for m_viewMode, which the caller has set. Anything but kOpened fails the
    // window's creation.
    COpenResult OpenFolder(const std::wstring& path);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DrawFrame(HDC dc) override;

    // The picture's name and position, as the window shows them.
    std::wstring PositionText() const;

    bool m_browsingFolder = false;
    CPictureFolder m_folder;
    // The picture shown, as decoded: the frame is composed from it again when the eyes are swapped.
    CStereoPicture m_picture;
    bool m_fitted = true;
    bool m_swapped = false;
    bool m_positionShown = false;

private:
    // Decodes the picture at the folder's position and composes its frame; false when it cannot.
    bool PreparePicture();
    // Shows the first picture that can be read from `start` on, moving by `step` (1 or -1) and
    // wrapping around; false, with the position as it was, when none can.
    bool ShowFrom(std::size_t start, int step);
    // ShowFrom, then the picture's name and position.
    void Go(std::size_t start, int step);
    // The next (1) or previous (-1) picture, with its name and position.
    void Step(int step);
    void ShowPosition();
    // True when the key is the folder browser's.
    bool OnKeyDown(WPARAM key);
    void OnMouseWheel(WPARAM wParam);
    void DrawPosition(HDC dc) const;

    int m_wheel = 0;
};
