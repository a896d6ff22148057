#include "activator/AddGroupDlg.h"

#include "activator/resource.h"

#include <algorithm>

CAddGroupDlg::CAddGroupDlg(HWND parent) : CDialog(IDD_ADD_GROUP, parent) {}

void CAddGroupDlg::SetGroups(std::span<const std::string> names) {
    if (names.empty() || names.size() > m_names.size())
        return;
    std::copy(names.begin(), names.end(), m_names.begin());
    m_count = static_cast<int>(names.size());
}

BOOL CAddGroupDlg::OnInitDialog() {
    SendItemMessage(IDC_GROUP_NAME, EM_LIMITTEXT, kMaxGroupNameLength);
    SetItemText(IDC_GROUP_NAME, m_newName);
    for (int i = 0; i < m_count; ++i)
        SendItemMessage(IDC_GROUP_SOURCE, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m_names[i].c_str()));
    SendItemMessage(IDC_GROUP_SOURCE, LB_SETCURSEL, static_cast<WPARAM>(m_source));
    CheckRadioButton(m_hWnd, IDC_GROUP_BLACK, IDC_GROUP_COPY, m_copy ? IDC_GROUP_COPY : IDC_GROUP_BLACK);
    EnableItem(IDC_GROUP_SOURCE, m_copy);
    return TRUE;
}

void CAddGroupDlg::OnOK() {
    m_newName = GetItemText(IDC_GROUP_NAME);
    EndDialog(IDOK);
}

bool CAddGroupDlg::OnCommand(WORD id, WORD notifyCode, HWND) {
    switch (id) {
    case IDC_GROUP_BLACK:
        if (notifyCode == BN_CLICKED && m_copy) {
            m_copy = false;
            EnableItem(IDC_GROUP_SOURCE, false);
        }
        return true;
    case IDC_GROUP_COPY:
        if (notifyCode == BN_CLICKED && !m_copy) {
            m_copy = true;
            EnableItem(IDC_GROUP_SOURCE, true);
        }
        return true;
    case IDC_GROUP_SOURCE:
        if (notifyCode == LBN_SELCHANGE) {
            // A list without a selection keeps the source it had.
            const auto selection = static_cast<int>(SendItemMessage(IDC_GROUP_SOURCE, LB_GETCURSEL));
            if (selection >= 0 && selection < m_count)
                m_source = selection;
        }
        return true;
    default:
        return false;
    }
}
