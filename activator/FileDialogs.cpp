#include "activator/FileDialogs.h"

#include <commdlg.h>

bool ChooseFile(HWND owner, const CFileDialogOptions& options, const std::string& initial,
                std::string& chosen) {
    char file[MAX_PATH] = {};
    initial.copy(file, MAX_PATH - 1);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = options.filter;
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = options.defaultExtension;
    dialog.Flags = options.flags | OFN_EXPLORER;
    const auto run = [&] {
        return (options.save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog)) != FALSE;
    };
    if (!run()) {
        if (CommDlgExtendedError() != FNERR_INVALIDFILENAME || file[0] == '\0')
            return false;
        file[0] = '\0';
        if (!run())
            return false;
    }
    chosen = file;
    return true;
}
