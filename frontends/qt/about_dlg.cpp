#include "about_dlg.h"

#include "resource.h"

#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent)
    : CTemplateDialog(IDD_ABOUTBOX, parent)
{
    connect(ControlAs<QPushButton>(IDOK), &QPushButton::clicked, this, &QDialog::accept);
}
