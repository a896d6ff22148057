#pragma once
// "Add Group" (template 138): the name of a new colour-code group and where its colours come from,
// black or a copy of an existing group.

#include "activator/ColorCodeGroups.h"
#include "framework/Dialog.h"

#include <array>
#include <span>
#include <string>

class CAddGroupDlg : public CDialog {
public:
    explicit CAddGroupDlg(HWND parent = nullptr);

    // The names of the existing groups, listed as the sources of a copy. Ignored unless there are one
    // to five of them.
    void SetGroups(std::span<const std::string> names);

    // The results, valid after the dialog ended with OK.
    const std::string& NewName() const noexcept { return m_newName; }
    bool CopyFlag() const noexcept { return m_copy; }
    int SourceIndex() const noexcept { return m_source; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool OnCommand(WORD id, WORD notifyCode, HWND control) override;

private:
    std::array<std::string, kMaxColorCodeGroups> m_names{kBuiltInGroupName};
    int m_count = 1;
    int m_source = 0;
    bool m_copy = true;
    std::string m_newName = "New Group";
};
