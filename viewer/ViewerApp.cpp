#include "viewer/ViewerApp.h"

#include "viewer/ViewerDlg.h"

BOOL CViewerApp::InitInstance() {
    CViewerDlg viewer;
    m_pMainWnd = &viewer;
    viewer.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
