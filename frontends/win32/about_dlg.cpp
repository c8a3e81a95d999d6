#include "about_dlg.h"

#include "resource.h"

CAboutDlg::CAboutDlg()
    : CDialogWindow(IDD_ABOUTBOX)
{
}

bool CAboutDlg::OnCommand(int id, int code)
{
    if (id == IDOK) {
        EndDialog(IDOK);
        return true;
    }
    return CDialogWindow::OnCommand(id, code);
}
