#include "viewer/ViewerApp.h"

#include "display/PreparingThreads.h"
#include "viewer/ViewerDlg.h"

#include <shellapi.h>

namespace {

constexpr wchar_t kNoWindowText[] = L"The viewer's window cannot be opened.";

// The first argument of the program's command line, as Explorer passes a file ("%1", quoted); empty
// when there is none. A folder given as "C:\Folder" comes out of the system's splitting with a
// quotation mark for its last backslash, which is put back.
std::wstring PictureArgument() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring path;
    if (arguments && count >= 2)
        path = arguments[1];
    LocalFree(arguments);
    if (!path.empty() && path.back() == L'"')
        path.back() = L'\\';
    return path;
}

} // namespace

BOOL CViewerApp::InitInstance() {
    CViewerDlg viewer;
    viewer.SetPicturePath(PictureArgument());
    m_pMainWnd = &viewer;
    const INT_PTR result = viewer.DoModal();
    m_pMainWnd = nullptr;
    if (result == -1) {
        const std::wstring& why = viewer.FailureText();
        AppMessageBox(nullptr, why.empty() ? std::wstring(kNoWindowText) : why, MB_OK | MB_ICONINFORMATION);
        m_quitCode = 1;
    }
    return FALSE;
}

int CViewerApp::ExitInstance() {
    const int exitCode = CApplication::ExitInstance();
    EndProcessIfPreparing(exitCode);
    return exitCode;
}
