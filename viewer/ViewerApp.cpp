#include "viewer/ViewerApp.h"

#include "viewer/ViewerDlg.h"

namespace {

constexpr char kNoWindowText[] = "The viewer's window cannot be opened.";

} // namespace

BOOL CViewerApp::InitInstance() {
    CViewerDlg viewer;
    m_pMainWnd = &viewer;
    const INT_PTR result = viewer.DoModal();
    m_pMainWnd = nullptr;
    if (result == -1) {
        const std::string& why = viewer.FailureText();
        AppMessageBox(nullptr, why.empty() ? kNoWindowText : why, MB_OK | MB_ICONINFORMATION);
        m_quitCode = 1;
    }
    return FALSE;
}
