#include "text_view.h"

#include "resource.h"

#include <utility>

std::wstring WindowsLines(std::u16string_view text)
{
    std::wstring lines;
    for (const char16_t c : text) {
        if (c == u'\n')
            lines += L'\r';
        lines += static_cast<wchar_t>(c);
    }
    return lines;
}

CTextViewDlg::CTextViewDlg(std::wstring title, std::u16string_view text)
    : CDialogWindow(IDD_TEXT_VIEW), title_(std::move(title)), text_(WindowsLines(text))
{
}

bool CTextViewDlg::OnInitDialog()
{
    ::SetWindowTextW(Handle(), title_.c_str());
    ::SetDlgItemTextW(Handle(), IDC_TEXT_VIEW, text_.c_str());
    return true;
}

bool CTextViewDlg::OnCommand(int id, int code)
{
    if (id == IDOK) {
        EndDialog(IDOK);
        return true;
    }
    return CDialogWindow::OnCommand(id, code);
}
