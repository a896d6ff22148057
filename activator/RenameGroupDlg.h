#pragma once
// "Rename Group" (template 139): a new name for a colour-code group.

#include "framework/Dialog.h"

#include <string>

class CRenameGroupDlg : public CDialog {
public:
    explicit CRenameGroupDlg(HWND parent = nullptr);

    // The name shown when the dialog opens; after OK, the name entered.
    void SetName(const std::string& name) { m_name = name; }
    const std::string& Name() const noexcept { return m_name; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    std::string m_name;
};
