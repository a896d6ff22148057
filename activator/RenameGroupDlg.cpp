#include "activator/RenameGroupDlg.h"

#include "activator/ColorCodeGroups.h"
#include "activator/resource.h"

CRenameGroupDlg::CRenameGroupDlg(HWND parent) : CDialog(IDD_RENAME_GROUP, parent) {}

BOOL CRenameGroupDlg::OnInitDialog() {
    SendItemMessage(IDC_GROUP_NAME, EM_LIMITTEXT, kMaxGroupNameLength);
    SetItemText(IDC_GROUP_NAME, m_name);
    return TRUE;
}

void CRenameGroupDlg::OnOK() {
    m_name = GetItemText(IDC_GROUP_NAME);
    EndDialog(IDOK);
}
