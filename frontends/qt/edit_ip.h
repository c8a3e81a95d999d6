// The address edit dialog: the right-clicked row's channel name, IP address, port, MAC address
// and gateway, to be changed in the list (never on the device).
#pragma once

#include "row_snapshot.h"
#include "template_dialog.h"

class QLineEdit;

class CEditIP : public CTemplateDialog
{
    Q_OBJECT

public:
    // Shows the snapshot's texts; OK with a change rewrites them.
    explicit CEditIP(RowSnapshot& snapshot, QWidget* parent = nullptr);

    void OnBnClickedEditOk();
    void OnBnClickedEditCancel();

private:
    QLineEdit* Field(int id) const;
    std::u16string FieldText(int id) const;

    RowSnapshot& snapshot_;
};
