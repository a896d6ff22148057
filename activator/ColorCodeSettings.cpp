#include "activator/ColorCodeSettings.h"

#include "activator/ColorCodeDlg.h"
#include "activator/ColorCodeStore.h"

INT_PTR EditColorCodeSettings(HWND owner) {
    CColorCodeDlg dialog(owner);
    dialog.SetGroups(LoadColorCodeGroups());
    const INT_PTR result = dialog.DoModal();
    if (result == IDOK)
        SaveColorCodeGroups(dialog.Groups());
    return result;
}
