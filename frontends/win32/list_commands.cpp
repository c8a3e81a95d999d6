// The commands on the whole list: the heading menu, saving the list to a file, and the cards the
// search used.
#include "quenlo_dlg.h"

#include "app_message_box.h"
#include "resource_text.h"
#include "row_menu.h"
#include "text_format.h"
#include "text_view.h"
#include "ui_seams.h"

#include <commdlg.h>

#include <optional>
#include <vector>

namespace {

// The system's text for an error code.
std::wstring ErrorText(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length > 0 ? std::wstring(text, length) : std::to_wstring(error);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
        message.pop_back();
    return message;
}

// Writes bytes to path whole or not at all: into a file beside it first, which then takes its
// place, so that a full disk leaves an older file as it was. Returns the error, or 0.
DWORD WriteWhole(const std::wstring& path, const std::string& bytes)
{
    const std::wstring part = path + L".part";
    const HANDLE file = ::CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return ::GetLastError();
    DWORD written = 0;
    DWORD error = 0;
    if (!::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)
        || !::FlushFileBuffers(file))
        error = ::GetLastError();
    else if (written != bytes.size())
        error = ERROR_DISK_FULL;
    ::CloseHandle(file);
    if (error == 0
        && !::MoveFileExW(part.c_str(), path.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = ::GetLastError();
    if (error != 0)
        ::DeleteFileW(part.c_str());
    return error;
}

// A file type of the dialog: its name, then its pattern, from a text such as "CSV (*.csv)".
std::wstring FileType(const std::wstring& text)
{
    const std::size_t open = text.rfind(L'(');
    const std::size_t close = text.rfind(L')');
    const bool hasPattern = open != std::wstring::npos && close != std::wstring::npos && close > open;
    const std::wstring pattern = hasPattern ? text.substr(open + 1, close - open - 1) : L"*.*";
    return text + L'\0' + pattern + L'\0';
}

} // namespace

void CQuenloDlg::OnListMenu(POINT screen)
{
    const HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_LIST_MENU));
    if (!menu)
        return;
    const int chosen = Seams().trackMenu(::GetSubMenu(menu, 0), Handle(), screen);
    ::DestroyMenu(menu);
    RunListCommand(*this, chosen);
}

void CQuenloDlg::OnNetworkCards()
{
    CTextViewDlg view(LoadResourceString(IDS_CARDS_TITLE), presenter_.CardsText());
    view.DoModal(Handle());
}

void CQuenloDlg::OnSaveList(bool selectedOnly)
{
    // The rows as they are when the operator asks, whatever the search adds meanwhile.
    std::optional<std::vector<int>> selected;
    if (selectedOnly)
        selected = SelectedPositions();
    const std::wstring types =
        FileType(LoadResourceString(IDS_SAVE_CSV)) + FileType(LoadResourceString(IDS_SAVE_JSON));
    const std::wstring title = LoadResourceString(IDS_SAVE_TITLE);
    std::wstring path(MAX_PATH, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = Handle();
    dialog.lpstrFilter = types.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = L"csv";
    dialog.Flags =
        OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOREADONLYRETURN | OFN_HIDEREADONLY;
    if (!Seams().saveFileName(dialog))
        return;
    path.resize(path.find(L'\0'));
    const OutputFormat format = dialog.nFilterIndex == 2 ? OutputFormat::Json : OutputFormat::Csv;
    const DWORD error = WriteWhole(path, presenter_.SaveText(format, std::move(selected)));
    if (error != 0) {
        const auto wide = [](const std::wstring& text) {
            return std::u16string(text.begin(), text.end());
        };
        const std::u16string text = FormatText(wide(LoadResourceString(IDS_SAVE_FAILED)),
                                               {wide(path), wide(ErrorText(error))});
        AppMessageBox(Handle(), std::wstring(text.begin(), text.end()), MB_ICONWARNING);
    }
}
