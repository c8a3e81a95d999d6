// The address edit dialog: the right-clicked row's channel name, IP address, port, MAC address
// and gateway, to be changed in the list (never on the device).
#pragma once

#include "dialog_window.h"
#include "row_snapshot.h"

class CEditIP : public CDialogWindow
{
public:
    // Shows the snapshot's texts; OK with a change rewrites them.
    explicit CEditIP(RowSnapshot& snapshot);

    void OnBnClickedEditOk();
    void OnBnClickedEditCancel();

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;

private:
    std::u16string FieldText(int id) const;

    RowSnapshot& snapshot_;
};
