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
// unscaled pictures, S swaps the eyes, A switches to the red-cyan anaglyph and back and P starts and
// stops the slideshow (ImageBrowserDlg.h); a folder of flat pictures has no anaglyph. After each step
// the picture's name and position ("12 / 40") show at the bottom left for a moment; the window's title
// keeps them.
//
// Pictures are prepared as the captured-image browser prepares them (ImageBrowserDlg.h): off the
// window's thread, the first one too, the next and the previous one while a picture is shown, a file
// that cannot be shown passed over without being read again until the folder's listing is read anew
// (by a step, once the folder has changed), or until the next step for one that cannot be read now.
// F makes the picture anew in the same way, its frame shown staying meanwhile, and tries again what
// failed for the layout before (so does S where it makes the picture anew). S
// swaps the eyes at once: the shown picture and the next one prepared keep, beside an
// interleaved frame, the frame of the eyes swapped (Sync Double's frame swaps in place); in 2D, or for a
// picture prepared without it, S makes the picture anew.

#include "display/ImageBrowserDlg.h"
#include "viewer/PictureFolder.h"

#include <string>

class CFolderBrowserDlg : public CImageBrowserDlg {
public:
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
    // and prepares the frame for m_viewMode, which the caller has set, waiting for it a moment
    // (ImageBrowserDlg.h). Anything but kOpened fails the window's creation: kUnreadable and
    // kNoPicture when it found meanwhile that nothing can be shown.
    COpenResult OpenFolder(const std::wstring& path);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void TakeOutcome(const CPicturePreparer::COutcome& outcome) override;
    bool Seeking() const override;
    void RemakeFrames() override;
    bool ShowsStereo() const override;
    void SlideshowStep() override;

    // The shown picture's name and position, as the window shows them.
    std::wstring PositionText() const;

    bool m_browsingFolder = false;
    // Its position: the picture chosen, shown or being prepared to be.
    CPictureFolder m_folder;
    bool m_fitted = true;
    bool m_swapped = false;

private:
    // Starts preparing frames for the current view mode, fit and swap.
    void ResetPreparer();
    // Reads the folder's listing anew if the folder changed.
    void RelistIfChanged();
    // Shows the first picture, from `start` on, moving by `step` (1 or -1) and wrapping around, that is
    // not known to fail: at once when its frame is prepared, else once it is. When none is left, the
    // position goes back to the picture shown.
    void Seek(std::size_t start, int step);
    // The next (1) or previous (-1) picture, with its name and position.
    void Step(int step);
    // What a step forward and a step backward from `position` would show.
    std::vector<CPictureEntry> NeighboursOf(std::size_t position) const;
    // Puts `frame` (and `twin`), the frame of the picture at the folder's position, on the screen; Show
    // adds its name and position when it is another picture than the one shown.
    void Present(CDibImage& frame, CDibImage& twin);
    void Show(CDibImage& frame, CDibImage& twin);
    // F: the picture made anew for the new fit (or swap).
    void Relayout();
    // S.
    void SwapEyes();
    void ShowPosition();
    // True when the key is the folder browser's.
    bool OnKeyDown(WPARAM key);
    void OnMouseWheel(WPARAM wParam);

    int m_wheel = 0;
    // The direction of the picture being sought; 0 while none is.
    int m_seekStep = 0;
    // Whether m_image was made with the fit and swap in force (F and S change them).
    bool m_shownCurrent = true;
    // What m_image needs to swap its eyes at once (FrameComposition.h).
    CDibImage m_twin;
};
