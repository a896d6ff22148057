#pragma once
// "Testing" (template 140): a left and a right Windows bitmap, remembered in the registry ("Dir" key:
// "Left Image", "Right Image", with "Default Left Image" and "Default Right Image" as fallbacks),
// previewed side by side, and shown full screen in the chosen stereo format by "Do Test!". It also
// chooses the controller's monitor (settings/ControllerMonitor.h) from the list of the monitors, by
// number, size and position, the primary marked; a choice is stored at once.

#include "display/DibImage.h"
#include "framework/Dialog.h"
#include "settings/MonitorRules.h"

#include <string>
#include <vector>

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

    // Reads the four paths from the registry, each from the user's tree or else the machine's; what is
    // missing keeps its field.
    void LoadSettings();
    // Writes the two paths that have at least 2 characters to the user's tree.
    void SaveSettings() const;
    // Fills the side's holder from the side's path, a file on a disk (OpenDiskFile: never a device or
    // a pipe); false leaves the holder empty.
    bool LoadBitmap(Side side);
    // "Do Test!" is enabled exactly when both sides hold a bitmap; with `report`, a missing one is
    // also told in the status line.
    void UpdateTestButton(bool report);
    void OnLoad(Side side);
    void OnDoTest();
    void OnPaint();
    void SetStatus(const std::string& text);
    // Lists the monitors of this moment with the controller's selected; true when the chosen one is
    // gone and the primary is selected in its place.
    bool FillMonitorList();
    void OnMonitorChosen();

    CDibImage m_left;
    CDibImage m_right;
    std::string m_leftPath;
    std::string m_rightPath;
    std::string m_defaultLeftPath;
    std::string m_defaultRightPath;
    RECT m_leftRect{};
    RECT m_rightRect{};
    // The monitors as the list shows them.
    std::vector<CMonitorEntry> m_monitors;
};
