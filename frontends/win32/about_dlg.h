// The About box.
#pragma once

#include "dialog_window.h"

class CAboutDlg : public CDialogWindow
{
public:
    explicit CAboutDlg();

protected:
    bool OnCommand(int id, int code) override;
};
