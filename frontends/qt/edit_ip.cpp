#include "edit_ip.h"

#include "app_message_box.h"
#include "resource.h"

#include <QLineEdit>
#include <QPushButton>

CEditIP::CEditIP(RowSnapshot& snapshot, QWidget* parent)
    : CTemplateDialog(IDD_ADDRESS_EDIT, parent), snapshot_(snapshot)
{
    connect(ControlAs<QPushButton>(IDC_EDIT_OK), &QPushButton::clicked, this,
            &CEditIP::OnBnClickedEditOk);
    connect(ControlAs<QPushButton>(IDC_EDIT_CANCEL), &QPushButton::clicked, this,
            &CEditIP::OnBnClickedEditCancel);

    Field(IDC_EDIT_IP)->setText(QString::fromStdU16String(snapshot_.ip));
    Field(IDC_EDIT_PORT)->setText(QString::fromStdU16String(snapshot_.port));
    Field(IDC_EDIT_MAC)->setText(QString::fromStdU16String(snapshot_.mac));
    Field(IDC_EDIT_CHN)->setText(QString::fromStdU16String(snapshot_.chn));
    Field(IDC_EDIT_GATEWAY)->setText(QString::fromStdU16String(snapshot_.gateway));
    // Long texts show from their start, as the cells do.
    for (const int id : {IDC_EDIT_IP, IDC_EDIT_PORT, IDC_EDIT_MAC, IDC_EDIT_CHN, IDC_EDIT_GATEWAY})
        Field(id)->setCursorPosition(0);
}

QLineEdit* CEditIP::Field(int id) const
{
    return ControlAs<QLineEdit>(id);
}

std::u16string CEditIP::FieldText(int id) const
{
    return Field(id)->text().toStdU16String();
}

void CEditIP::OnBnClickedEditOk()
{
    const RowSnapshot fields{snapshot_.row,          FieldText(IDC_EDIT_CHN),
                             FieldText(IDC_EDIT_IP), FieldText(IDC_EDIT_PORT),
                             FieldText(IDC_EDIT_GATEWAY), FieldText(IDC_EDIT_MAC)};
    if (ApplyEdit(snapshot_, fields) == EditOutcome::Unchanged)
        AppMessageBox(this, LoadResourceString(IDS_NOT_MODIFIED), QMessageBox::NoIcon);
    accept();
}

void CEditIP::OnBnClickedEditCancel()
{
    reject();
}
