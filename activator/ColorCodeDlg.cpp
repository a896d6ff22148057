#include "activator/ColorCodeDlg.h"

#include "activator/AddGroupDlg.h"
#include "activator/ColorCodeDrawing.h"
#include "activator/RenameGroupDlg.h"
#include "activator/resource.h"
#include "framework/Application.h"
#include "framework/Handles.h"

#include <string>
#include <vector>

namespace {

// The hidden frames that mark the bars of lines 0 to 15.
constexpr int kBarIds[kColorCodeLineCount] = {1015, 1019, 1020, 1021, 1023, 1028, 1029, 1030,
                                              1031, 1032, 1033, 1034, 1035, 1036, 1037, 1038};
static_assert(kBarIds[0] == IDC_CC_BAR_FIRST);

constexpr const char* kModeNames[kColorCodeModeCount] = {"Interlace", "Page Flipping", "Sync. Doubling",
                                                         "Line Blanking", "Normal"};

constexpr COLORREF kMarkerColour = 0x00FFFFFF;

// The frame's colour stands out against the swatch it surrounds.
constexpr COLORREF FrameColourFor(COLORREF swatchColour) {
    return swatchColour ^ 0x00FFFFFF;
}

} // namespace

CColorCodeDlg::CColorCodeDlg(HWND parent) : CDialog(IDD_COLORCODE, parent), m_defaultCodes(DefaultCodeSet()) {
    for (int s = 0; s < kSwatchCount; ++s)
        m_swatchColours[s] = kSwatchColours[s];
}

BOOL CColorCodeDlg::OnInitDialog() {
    m_currentGroup = m_groups.Active();
    m_currentMode = 0;
    m_currentLine = 0;
    FillComboBoxes();
    ReadPlaceholderRects();
    m_currentSwatch = MatchingSwatch(CurrentEntry());
    EnableAddDelete();
    return TRUE;
}

void CColorCodeDlg::FillComboBoxes() {
    for (const char* name : kModeNames)
        SendItemMessage(IDC_CC_MODE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    for (int line = 0; line < kColorCodeLineCount; ++line)
        SendItemMessage(IDC_CC_LINE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(line).c_str()));
    for (int group = 0; group < m_groups.Count(); ++group) {
        const auto name = reinterpret_cast<LPARAM>(m_groups.Name(group).c_str());
        SendItemMessage(IDC_CC_ACTIVE_GROUP, CB_ADDSTRING, 0, name);
        SendItemMessage(IDC_CC_GROUP, CB_ADDSTRING, 0, name);
    }
    SendItemMessage(IDC_CC_MODE, CB_SETCURSEL, static_cast<WPARAM>(m_currentMode));
    SendItemMessage(IDC_CC_LINE, CB_SETCURSEL, static_cast<WPARAM>(m_currentLine));
    SendItemMessage(IDC_CC_ACTIVE_GROUP, CB_SETCURSEL, static_cast<WPARAM>(m_groups.Active()));
    SendItemMessage(IDC_CC_GROUP, CB_SETCURSEL, static_cast<WPARAM>(m_currentGroup));
}

void CColorCodeDlg::ReadPlaceholderRects() {
    auto clientRectOf = [this](int id) {
        RECT rect{};
        if (HWND control = GetItem(id)) {
            GetWindowRect(control, &rect);
            MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        }
        return rect;
    };
    for (int s = 0; s < kSwatchCount; ++s)
        m_swatchRects[s] = clientRectOf(IDC_CC_SWATCH_FIRST + s);
    for (int line = 0; line < kColorCodeLineCount; ++line)
        m_lineRects[line] = clientRectOf(kBarIds[line]);
}

void CColorCodeDlg::EnableAddDelete() {
    EnableItem(IDC_CC_ADD, m_groups.CanAdd());
    EnableItem(IDC_CC_DELETE, m_groups.CanDelete());
}

COLORREF CColorCodeDlg::BackgroundColour() const {
    return WindowClassBackgroundColour(m_hWnd);
}

COLORREF CColorCodeDlg::CurrentEntry() const {
    return m_groups.Entry(m_currentGroup, m_currentMode, m_currentLine);
}

int CColorCodeDlg::Selection(int comboId) const {
    return static_cast<int>(SendItemMessage(comboId, CB_GETCURSEL));
}

void CColorCodeDlg::PaintAll(HDC dc) {
    PaintBars(dc);
    for (int s = 0; s < kSwatchCount; ++s)
        FillSolid(dc, m_swatchRects[s], m_swatchColours[s]);
    DrawFrame(dc, m_currentSwatch, FrameColourFor(m_swatchColours[m_currentSwatch]));
    DrawMarker(dc, m_currentLine, true);
}

void CColorCodeDlg::PaintBars(HDC dc) {
    for (int line = 0; line < kColorCodeLineCount; ++line)
        FillSolid(dc, m_lineRects[line], m_groups.Entry(m_currentGroup, m_currentMode, line));
}

void CColorCodeDlg::DrawFrame(HDC dc, int swatch, COLORREF colour) {
    DrawSwatchFrame(dc, m_swatchRects[swatch], SwatchFrameThickness(m_swatchRects[0], m_swatchRects[1]),
                    colour);
}

void CColorCodeDlg::DrawMarker(HDC dc, int line, bool on) {
    DrawLineMarker(dc, m_lineRects[line], on ? kMarkerColour : BackgroundColour());
}

void CColorCodeDlg::UpdateFrame(HDC dc) {
    const int swatch = MatchingSwatch(CurrentEntry());
    if (swatch == m_currentSwatch)
        return;
    DrawFrame(dc, m_currentSwatch, BackgroundColour());
    DrawFrame(dc, swatch, FrameColourFor(m_swatchColours[swatch]));
    m_currentSwatch = swatch;
}

void CColorCodeDlg::RepaintBarsAndFrame() {
    CWindowDC dc(m_hWnd);
    if (!dc)
        return;
    PaintBars(dc);
    UpdateFrame(dc);
}

LRESULT CColorCodeDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        CPaintDC dc(m_hWnd);
        PaintAll(dc);
        return 0;
    }
    case WM_LBUTTONDOWN:
        OnLButtonDown(lParam);
        return DefaultProc(message, wParam, lParam);
    default:
        return CDialog::WindowProc(message, wParam, lParam);
    }
}

bool CColorCodeDlg::OnCommand(WORD id, WORD notifyCode, HWND) {
    switch (id) {
    case IDC_CC_GROUP:
        if (notifyCode == CBN_SELCHANGE)
            OnGroupOrModeChange(IDC_CC_GROUP, m_currentGroup, m_groups.Count());
        return true;
    case IDC_CC_MODE:
        if (notifyCode == CBN_SELCHANGE)
            OnGroupOrModeChange(IDC_CC_MODE, m_currentMode, kColorCodeModeCount);
        return true;
    case IDC_CC_LINE:
        if (notifyCode == CBN_SELCHANGE)
            OnLineChange();
        return true;
    case IDC_CC_ACTIVE_GROUP:
        if (notifyCode == CBN_SELCHANGE)
            m_groups.SetActive(Selection(IDC_CC_ACTIVE_GROUP));
        return true;
    case IDC_CC_DEFAULT:
        if (notifyCode == BN_CLICKED)
            OnDefault();
        return true;
    case IDC_CC_ADD:
        if (notifyCode == BN_CLICKED)
            OnAdd();
        return true;
    case IDC_CC_DELETE:
        if (notifyCode == BN_CLICKED)
            OnDelete();
        return true;
    case IDC_CC_RENAME:
        if (notifyCode == BN_CLICKED)
            OnRename();
        return true;
    default:
        return false;
    }
}

void CColorCodeDlg::OnGroupOrModeChange(int comboId, int& current, int count) {
    const int selection = Selection(comboId);
    if (selection < 0 || selection >= count || selection == current)
        return;
    current = selection;
    RepaintBarsAndFrame();
}

void CColorCodeDlg::OnLineChange() {
    const int line = Selection(IDC_CC_LINE);
    if (line < 0 || line >= kColorCodeLineCount || line == m_currentLine)
        return;
    CWindowDC dc(m_hWnd);
    if (!dc)
        return;
    DrawMarker(dc, m_currentLine, false);
    DrawMarker(dc, line, true);
    m_currentLine = line;
    UpdateFrame(dc);
}

void CColorCodeDlg::OnLButtonDown(LPARAM lParam) {
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    for (int s = 0; s < kSwatchCount; ++s) {
        if (PtInRect(&m_swatchRects[s], point)) {
            PickSwatch(s);
            return;
        }
    }
    for (int line = 0; line < kColorCodeLineCount; ++line) {
        if (PtInRect(&m_lineRects[line], point)) {
            SendItemMessage(IDC_CC_LINE, CB_SETCURSEL, static_cast<WPARAM>(line));
            OnLineChange();
            return;
        }
    }
}

void CColorCodeDlg::PickSwatch(int swatch) {
    if (swatch == m_currentSwatch)
        return;
    CWindowDC dc(m_hWnd);
    if (dc) {
        DrawFrame(dc, m_currentSwatch, BackgroundColour());
        DrawFrame(dc, swatch, FrameColourFor(m_swatchColours[swatch]));
        FillSolid(dc, m_lineRects[m_currentLine], m_swatchColours[swatch]);
    }
    m_currentSwatch = swatch;
    m_groups.SetEntry(m_currentGroup, m_currentMode, m_currentLine, m_swatchColours[swatch]);
}

void CColorCodeDlg::OnDefault() {
    m_groups.SetCodes(m_currentGroup, m_defaultCodes);
    RepaintBarsAndFrame();
}

void CColorCodeDlg::OnAdd() {
    if (!m_groups.CanAdd())
        return;
    std::vector<std::string> names;
    for (int group = 0; group < m_groups.Count(); ++group)
        names.push_back(m_groups.Name(group));
    CAddGroupDlg dialog(m_hWnd);
    dialog.SetGroups(names);
    if (dialog.DoModal() != IDOK)
        return;
    const int group = m_groups.Add(dialog.NewName(), dialog.CopyFlag(), dialog.SourceIndex());
    if (group < 0)
        return;
    const auto name = reinterpret_cast<LPARAM>(m_groups.Name(group).c_str());
    SendItemMessage(IDC_CC_ACTIVE_GROUP, CB_ADDSTRING, 0, name);
    SendItemMessage(IDC_CC_GROUP, CB_ADDSTRING, 0, name);
    m_currentGroup = group;
    SendItemMessage(IDC_CC_GROUP, CB_SETCURSEL, static_cast<WPARAM>(group));
    EnableAddDelete();
    RepaintBarsAndFrame();
}

void CColorCodeDlg::OnDelete() {
    const int group = m_currentGroup;
    if (group == 0) {
        AppMessageBox(m_hWnd, "Korva group name isn't allowed to be deleted!", MB_OK);
        return;
    }
    const std::string question = "Delete ColorCode Group : " + m_groups.Name(group) + " ?";
    if (MessageBoxA(m_hWnd, question.c_str(), "Delete ColorCode Group", MB_OKCANCEL | MB_ICONQUESTION) !=
        IDOK)
        return;
    const int current = m_groups.Delete(group);
    if (current < 0)
        return;
    SendItemMessage(IDC_CC_ACTIVE_GROUP, CB_DELETESTRING, static_cast<WPARAM>(group));
    SendItemMessage(IDC_CC_GROUP, CB_DELETESTRING, static_cast<WPARAM>(group));
    m_currentGroup = current;
    SendItemMessage(IDC_CC_ACTIVE_GROUP, CB_SETCURSEL, static_cast<WPARAM>(m_groups.Active()));
    SendItemMessage(IDC_CC_GROUP, CB_SETCURSEL, static_cast<WPARAM>(current));
    EnableAddDelete();
    RepaintBarsAndFrame();
}

void CColorCodeDlg::OnRename() {
    const int group = m_currentGroup;
    if (group == 0) {
        AppMessageBox(m_hWnd, "Korva group name isn't allowed to change!", MB_OK);
        return;
    }
    CRenameGroupDlg dialog(m_hWnd);
    dialog.SetName(m_groups.Name(group));
    if (dialog.DoModal() != IDOK || !m_groups.Rename(group, dialog.Name()))
        return;
    const auto name = reinterpret_cast<LPARAM>(m_groups.Name(group).c_str());
    for (int comboId : {IDC_CC_ACTIVE_GROUP, IDC_CC_GROUP}) {
        SendItemMessage(comboId, CB_DELETESTRING, static_cast<WPARAM>(group));
        SendItemMessage(comboId, CB_INSERTSTRING, static_cast<WPARAM>(group), name);
    }
    SendItemMessage(IDC_CC_GROUP, CB_SETCURSEL, static_cast<WPARAM>(group));
    // Deleting the selected item clears a combo's selection; the active group is selected again.
    SendItemMessage(IDC_CC_ACTIVE_GROUP, CB_SETCURSEL, static_cast<WPARAM>(m_groups.Active()));
}
