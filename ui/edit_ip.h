// The address edit dialog: the right-clicked row's channel name, IP address, port, MAC address
// and gateway, to be changed in the list (never on the device).
#pragma once

#include "template_dialog.h"

class QLineEdit;

class CEditIP : public CTemplateDialog
{
    Q_OBJECT

public:
    explicit CEditIP(QWidget* parent = nullptr);

    void OnBnClickedEditOk();
    void OnBnClickedEditCancel();

private:
    QLineEdit* Field(int id) const;
};
