#pragma once
// "Testing" (template 140): a left and a right Windows bitmap, remembered in the registry ("Dir" key:
// "Left Image", "Right Image", with "Default Left Image" and "Default Right Image" as fallbacks),
// previewed side by side, and shown full screen in the chosen stereo format by "Do Test!".

#include "display/DibImage.h"
#include "framework/Dialog.h"

#include <string>

class CTestDlg : public CDialog {
public:
    enum Side { kLeft, kRight };

    explicit CTestDlg(HWND parent = nullptr);

    // What "Load..." does with the file the user chose for `side`: a file without the .bmp extension
    // is refused with a status text and changes nothing; otherwise the path is taken and the bitmap
    // loaded, and a bitmap that cannot be read clears that side's path and picture.
    void UseChosenFile(Side side, const std::string& path);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD notifyCode, HWND control) override;

private:
    CDibImage& ImageOf(Side side) noexcept { return side == kLeft ? m_left : m_right; }
    std::string& PathOf(Side side) noexcept { return side == kLeft ? m_leftPath : m_rightPath; }
    RECT& PreviewOf(Side side) noexcept { return side == kLeft ? m_leftRect : m_rightRect; }

    // Reads the four paths from the registry; what is missing keeps its field.
    void LoadSettings();
    // Writes the two paths that have at least 2 characters.
    void SaveSettings() const;
    // Fills the side's holder from the side's path; false leaves the holder empty.
    bool LoadBitmap(Side side);
    // "Do Test!" is enabled exactly when both sides hold a bitmap; with `report`, a missing one is
    // also told in the status line.
    void UpdateTestButton(bool report);
    void OnLoad(Side side);
    void OnDoTest();
    void OnPaint();
    void SetStatus(const std::string& text);

    CDibImage m_left;
    CDibImage m_right;
    std::string m_leftPath;
    std::string m_rightPath;
    std::string m_defaultLeftPath;
    std::string m_defaultRightPath;
    RECT m_leftRect{};
    RECT m_rightRect{};
};
