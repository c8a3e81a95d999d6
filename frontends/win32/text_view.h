// A text for the operator to read and copy, such as commands to run by hand, in a small dialog.
#pragma once

#include "dialog_window.h"

#include <string>
#include <string_view>

// Text with its lines ending as Windows controls and the clipboard expect them: CR LF.
std::wstring WindowsLines(std::u16string_view text);

class CTextViewDlg : public CDialogWindow
{
public:
    CTextViewDlg(std::wstring title, std::u16string_view text);

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;

private:
    std::wstring title_;
    std::wstring text_;
};
