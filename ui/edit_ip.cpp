#include "edit_ip.h"

#include "app_message_box.h"
#include "resource.h"
#include "row_snapshot.h"

#include <QLineEdit>
#include <QPushButton>

CEditIP::CEditIP(QWidget* parent)
    : CTemplateDialog(IDD_ADDRESS_EDIT, parent)
{
    connect(ControlAs<QPushButton>(IDC_EDIT_OK), &QPushButton::clicked, this,
            &CEditIP::OnBnClickedEditOk);
    connect(ControlAs<QPushButton>(IDC_EDIT_CANCEL), &QPushButton::clicked, this,
            &CEditIP::OnBnClickedEditCancel);

    const RowSnapshot& snapshot = TheRowSnapshot();
    Field(IDC_EDIT_IP)->setText(snapshot.ip);
    Field(IDC_EDIT_PORT)->setText(snapshot.port);
    Field(IDC_EDIT_MAC)->setText(snapshot.mac);
    Field(IDC_EDIT_CHN)->setText(snapshot.chn);
    Field(IDC_EDIT_GATEWAY)->setText(snapshot.gateway);
    // Long texts show from their start, as the cells do.
    for (const int id : {IDC_EDIT_IP, IDC_EDIT_PORT, IDC_EDIT_MAC, IDC_EDIT_CHN, IDC_EDIT_GATEWAY})
        Field(id)->setCursorPosition(0);
}

QLineEdit* CEditIP::Field(int id) const
{
    return ControlAs<QLineEdit>(id);
}

void CEditIP::OnBnClickedEditOk()
{
    RowSnapshot& snapshot = TheRowSnapshot();
    const QString ip = Field(IDC_EDIT_IP)->text();
    const QString mac = Field(IDC_EDIT_MAC)->text();
    const QString chn = Field(IDC_EDIT_CHN)->text();
    const QString gateway = Field(IDC_EDIT_GATEWAY)->text();
    const QString port = Field(IDC_EDIT_PORT)->text();
    if (ip == snapshot.ip && mac == snapshot.mac && chn == snapshot.chn
        && gateway == snapshot.gateway && port == snapshot.port) {
        AppMessageBox(this, LoadResourceString(IDS_NOT_MODIFIED), QMessageBox::NoIcon);
    } else {
        snapshot.ip = ip;
        snapshot.mac = mac;
        snapshot.chn = chn;
        snapshot.gateway = gateway;
        snapshot.port = port;
    }
    accept();
}

void CEditIP::OnBnClickedEditCancel()
{
    reject();
}
