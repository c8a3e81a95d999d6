// The commands on the whole list: the heading menu, saving the list to a file, the cards the
// search used, and the address plan the rows are checked against.
#include "quenlo_dlg.h"

#include "address_plan.h"
#include "app_message_box.h"
#include "plan_file.h"
#include "resource_text.h"
#include "row_menu.h"
#include "text_format.h"
#include "text_view.h"
#include "ui_seams.h"

#include <commdlg.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A message box with the string table's pattern id filled in with arguments.
void Warn(HWND owner, unsigned id, std::initializer_list<std::u16string_view> arguments)
{
    const std::u16string text = FormatText(Utf16(LoadResourceString(id)), arguments);
    AppMessageBox(owner, std::wstring(text.begin(), text.end()), MB_ICONWARNING);
}

void ShowTextView(HWND owner, unsigned titleId, std::u16string_view text)
{
    CTextViewDlg view(LoadResourceString(titleId), text);
    view.DoModal(owner);
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

// A file type of the dialog: its name, then its pattern.
std::wstring FileType(const std::wstring& name, const std::wstring& pattern)
{
    return name + L'\0' + pattern + L'\0';
}

// The same from a text such as "CSV (*.csv)", which names its pattern.
std::wstring FileType(const std::wstring& text)
{
    const std::size_t open = text.rfind(L'(');
    const std::size_t close = text.rfind(L')');
    const bool hasPattern = open != std::wstring::npos && close != std::wstring::npos && close > open;
    return FileType(text, hasPattern ? text.substr(open + 1, close - open - 1) : L"*.*");
}

// The dialog's fields every file dialog of the window sets alike; path is where it writes the
// chosen file's path.
OPENFILENAMEW FileDialog(HWND owner, const std::wstring& types, const std::wstring& title,
                         std::wstring& path)
{
    path.assign(MAX_PATH, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = types.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrTitle = title.c_str();
    return dialog;
}

} // namespace

void CQuenloDlg::OnListMenu(POINT screen)
{
    const HMENU menu = LoadResourceMenu(IDR_LIST_MENU);
    if (!menu)
        return;
    const int chosen = Seams().trackMenu(::GetSubMenu(menu, 0), Handle(), screen);
    ::DestroyMenu(menu);
    RunListCommand(*this, chosen);
}

void CQuenloDlg::OnNetworkCards()
{
    ShowTextView(Handle(), IDS_CARDS_TITLE, messages_.CardsText());
}

void CQuenloDlg::OnOpenPlan()
{
    const std::wstring types = FileType(LoadResourceString(IDS_PLAN_FILES) + L" (*.csv;*.txt)",
                                        L"*.csv;*.txt")
                               + FileType(LoadResourceString(IDS_ALL_FILES) + L" (*.*)", L"*.*");
    const std::wstring title = LoadResourceString(IDS_PLAN_TITLE);
    std::wstring path;
    OPENFILENAMEW dialog = FileDialog(Handle(), types, title, path);
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!Seams().openFileName(dialog))
        return;
    path.resize(path.find(L'\0'));
    planLoader_.Load(path, Utf16(path.substr(path.find_last_of(L"\\/") + 1)));
}

void CQuenloDlg::OnPlanLoaded()
{
    std::optional<LoadedPlan> loaded = planLoader_.Take();
    if (!loaded)
        return;
    PlanReading& reading = loaded->reading;
    const std::u16string reason =
        loaded->outcome == PlanFileBytes::Outcome::NotRegular
            ? Utf16(LoadResourceString(IDS_PLAN_NOT_REGULAR))
        : loaded->outcome == PlanFileBytes::Outcome::Failed
            ? Utf16(SystemErrorText(static_cast<DWORD>(loaded->error.value())))
            : messages_.PlanErrorText(reading);
    if (!reason.empty()) {
        Warn(Handle(), IDS_PLAN_OPEN_FAILED, {loaded->name, reason});
        return;
    }
    const std::u16string problems = messages_.PlanProblemsText(reading, loaded->name);
    Show(presenter_.OpenPlan(std::move(reading.plan), loaded->name));
    if (!problems.empty())
        ShowTextView(Handle(), IDS_PLAN_PROBLEMS_TITLE, problems);
}

void CQuenloDlg::OnMissingPlanned()
{
    ShowTextView(Handle(), IDS_MISSING_TITLE, messages_.MissingText());
}

void CQuenloDlg::OnTakeAllLatest()
{
    Show(presenter_.TakeAllLatest());
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
    std::wstring path;
    OPENFILENAMEW dialog = FileDialog(Handle(), types, title, path);
    dialog.lpstrDefExt = L"csv";
    dialog.Flags =
        OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOREADONLYRETURN | OFN_HIDEREADONLY;
    if (!Seams().saveFileName(dialog))
        return;
    path.resize(path.find(L'\0'));
    const OutputFormat format = dialog.nFilterIndex == 2 ? OutputFormat::Json : OutputFormat::Csv;
    const DWORD error = WriteWhole(path, presenter_.SaveText(format, std::move(selected)));
    if (error != 0)
        Warn(Handle(), IDS_SAVE_FAILED, {Utf16(path), Utf16(SystemErrorText(error))});
}
