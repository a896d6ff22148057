#pragma once
// "ColorCode Settings" (template 134): the editor of the colour-code groups. It shows the code of the
// group being edited for one mode as 16 bars, eight colour swatches with a frame around the swatch
// that matches the current line, and a round marker beside the current line's bar. A change draws
// straight on the window's device context and only what it alters; WM_PAINT draws everything.

#include "activator/ColorCodeGroups.h"
#include "framework/Dialog.h"

#include <array>

class CColorCodeDlg : public CDialog {
public:
    explicit CColorCodeDlg(HWND parent = nullptr);

    // The groups to edit, given before the dialog opens; the editor starts on the active group.
    void SetGroups(const CColorCodeGroups& groups) { m_groups = groups; }
    // The groups as edited, to be taken over when the dialog ended with OK.
    const CColorCodeGroups& Groups() const noexcept { return m_groups; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD notifyCode, HWND control) override;

private:
    void FillComboBoxes();
    void ReadPlaceholderRects();
    void EnableAddDelete();
    COLORREF BackgroundColour() const;
    COLORREF CurrentEntry() const;
    int Selection(int comboId) const;

    void PaintAll(HDC dc);
    void PaintBars(HDC dc);
    void DrawFrame(HDC dc, int swatch, COLORREF colour);
    void DrawMarker(HDC dc, int line, bool on);
    void UpdateFrame(HDC dc);
    void RepaintBarsAndFrame();

    void OnGroupOrModeChange(int comboId, int& current, int count);
    void OnLineChange();
    void OnLButtonDown(LPARAM point);
    void PickSwatch(int swatch);
    void OnDefault();
    void OnAdd();
    void OnDelete();
    void OnRename();

    std::array<RECT, kSwatchCount> m_swatchRects{};
    std::array<COLORREF, kSwatchCount> m_swatchColours{};
    std::array<RECT, kColorCodeLineCount> m_lineRects{};
    CodeSet m_defaultCodes;
    CColorCodeGroups m_groups;
    int m_currentGroup = 0;
    int m_currentMode = 0;
    int m_currentLine = 0;
    int m_currentSwatch = 0;
};
