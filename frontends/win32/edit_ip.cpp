#include "edit_ip.h"

#include "app_message_box.h"
#include "resource.h"
#include "resource_text.h"

namespace {

std::wstring Wide(const std::u16string& text)
{
    return std::wstring(text.begin(), text.end());
}

} // namespace

CEditIP::CEditIP(RowSnapshot& snapshot)
    : CDialogWindow(IDD_ADDRESS_EDIT), snapshot_(snapshot)
{
}

bool CEditIP::OnInitDialog()
{
    ::SetDlgItemTextW(Handle(), IDC_EDIT_IP, Wide(snapshot_.ip).c_str());
    ::SetDlgItemTextW(Handle(), IDC_EDIT_PORT, Wide(snapshot_.port).c_str());
    ::SetDlgItemTextW(Handle(), IDC_EDIT_MAC, Wide(snapshot_.mac).c_str());
    ::SetDlgItemTextW(Handle(), IDC_EDIT_CHN, Wide(snapshot_.chn).c_str());
    ::SetDlgItemTextW(Handle(), IDC_EDIT_GATEWAY, Wide(snapshot_.gateway).c_str());
    // The focus goes to OK, the first control, so that Enter at once means "nothing changed".
    return true;
}

bool CEditIP::OnCommand(int id, int code)
{
    switch (id) {
    case IDC_EDIT_OK:
    case IDOK:
        OnBnClickedEditOk();
        return true;
    case IDC_EDIT_CANCEL:
    case IDCANCEL:
        OnBnClickedEditCancel();
        return true;
    default:
        return CDialogWindow::OnCommand(id, code);
    }
}

std::u16string CEditIP::FieldText(int id) const
{
    const std::wstring text = ItemText(id);
    return std::u16string(text.begin(), text.end());
}

void CEditIP::OnBnClickedEditOk()
{
    const RowSnapshot fields{snapshot_.row,          FieldText(IDC_EDIT_CHN),
                             FieldText(IDC_EDIT_IP), FieldText(IDC_EDIT_PORT),
                             FieldText(IDC_EDIT_GATEWAY), FieldText(IDC_EDIT_MAC)};
    if (ApplyEdit(snapshot_, fields) == EditOutcome::Unchanged)
        AppMessageBox(Handle(), LoadResourceString(IDS_NOT_MODIFIED), 0);
    EndDialog(IDOK);
}

void CEditIP::OnBnClickedEditCancel()
{
    EndDialog(IDCANCEL);
}
