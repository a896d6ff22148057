#include "activator/ColorCodeSettings.h"

#include "activator/ColorCodeDlg.h"
#include "activator/ColorCodeStore.h"
#include "keyhook/KeyHook.h"

namespace {

void PassCodeSetToHook(const CColorCodeGroups& groups) {
    const CodeSet& codes = groups.Codes(groups.Active());
    SetColorCodeParams(&codes[CodeSetIndex(0, 0)], &codes[CodeSetIndex(1, 0)], &codes[CodeSetIndex(2, 0)],
                       &codes[CodeSetIndex(3, 0)], &codes[CodeSetIndex(4, 0)]);
}

} // namespace

INT_PTR EditColorCodeSettings(HWND owner) {
    CColorCodeDlg dialog(owner);
    dialog.SetGroups(LoadColorCodeGroups());
    const INT_PTR result = dialog.DoModal();
    if (result == IDOK) {
        SaveColorCodeGroups(dialog.Groups());
        PassCodeSetToHook(dialog.Groups());
    }
    return result;
}

void PassStoredCodeSetToHook() {
    PassCodeSetToHook(LoadColorCodeGroups());
}
