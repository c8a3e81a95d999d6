// The About box.
#pragma once

#include "template_dialog.h"

class CAboutDlg : public CTemplateDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
