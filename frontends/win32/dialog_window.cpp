#include "dialog_window.h"

#include "app_message_box.h"
#include "resource.h"
#include "resource_text.h"

#include <commctrl.h>

namespace {

// Puts a dialog in the middle of the window that owns it.
void CentreOver(HWND dialog, HWND owner)
{
    RECT outer{};
    RECT over{};
    ::GetWindowRect(dialog, &outer);
    ::GetWindowRect(owner, &over);
    const int x = over.left + ((over.right - over.left) - (outer.right - outer.left)) / 2;
    const int y = over.top + ((over.bottom - over.top) - (outer.bottom - outer.top)) / 2;
    ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

CDialogWindow::CDialogWindow(int templateId)
    : templateId_(templateId)
{
}

CDialogWindow::~CDialogWindow()
{
    if (hwnd_ && !modal_)
        ::DestroyWindow(hwnd_);
}

INT_PTR CDialogWindow::DoModal(HWND owner)
{
    modal_ = true;
    return ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), ResourceDialog(templateId_),
                                     owner, DialogProc, reinterpret_cast<LPARAM>(this));
}

HWND CDialogWindow::Create(HWND owner)
{
    modal_ = false;
    return ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), ResourceDialog(templateId_),
                                        owner, DialogProc, reinterpret_cast<LPARAM>(this));
}

std::wstring CDialogWindow::ItemText(int id) const
{
    const HWND item = Item(id);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

void CDialogWindow::EndDialog(INT_PTR result)
{
    if (modal_)
        ::EndDialog(hwnd_, result);
    else
        ::DestroyWindow(hwnd_);
}

bool CDialogWindow::OnCommand(int id, int)
{
    if (id == IDCANCEL) {
        EndDialog(IDCANCEL);
        return true;
    }
    return false;
}

INT_PTR CDialogWindow::OnMessage(UINT, WPARAM, LPARAM, bool& handled)
{
    handled = false;
    return 0;
}

bool CDialogWindow::OnKeyDown(HWND, WPARAM key)
{
    if (key != VK_F1 || ::GetKeyState(VK_SHIFT) < 0 || ::GetKeyState(VK_CONTROL) < 0
        || ::GetKeyState(VK_MENU) < 0)
        return false;
    OnHelp();
    return true;
}

void CDialogWindow::OnHelp()
{
    AppMessageBox(hwnd_, LoadResourceString(IDS_HELP_FAILED), MB_ICONWARNING);
}

SIZE CDialogWindow::TemplateClientSize() const
{
    const auto* words = reinterpret_cast<const WORD*>(ResourceDialog(templateId_));
    if (!words)
        return SIZE{};
    // An extended template (version 1, signature 0xFFFF) has its size after the help identifier,
    // the styles, the count of controls and the position; the plain one after the styles, the
    // count and the position.
    const bool extended = words[0] == 1 && words[1] == 0xFFFF;
    const WORD* size = words + (extended ? 2 + 2 + 2 + 2 + 1 + 2 : 2 + 2 + 1 + 2);
    RECT units{0, 0, static_cast<SHORT>(size[0]), static_cast<SHORT>(size[1])};
    ::MapDialogRect(hwnd_, &units);
    return SIZE{units.right, units.bottom};
}

INT_PTR CALLBACK CDialogWindow::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialogWindow*>(lParam);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        // Keys pressed in any control reach the dialog first: F1 and the dialog's own keys.
        for (HWND control = ::GetWindow(hwnd, GW_CHILD); control;
             control = ::GetWindow(control, GW_HWNDNEXT))
            ::SetWindowSubclass(control, ControlProc, 0, reinterpret_cast<DWORD_PTR>(self));
        if (const HWND owner = ::GetWindow(hwnd, GW_OWNER))
            CentreOver(hwnd, owner);
        return self->OnInitDialog() ? TRUE : FALSE;
    }
    auto* self = reinterpret_cast<CDialogWindow*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self)
        return FALSE;
    const INT_PTR result = self->Dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        self->hwnd_ = nullptr;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    }
    return result;
}

INT_PTR CDialogWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        return OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    bool handled = true;
    const INT_PTR result = OnMessage(message, wParam, lParam, handled);
    return handled ? result : FALSE;
}

LRESULT CALLBACK CDialogWindow::ControlProc(HWND control, UINT message, WPARAM wParam,
                                            LPARAM lParam, UINT_PTR, DWORD_PTR self)
{
    if (message == WM_KEYDOWN && reinterpret_cast<CDialogWindow*>(self)->OnKeyDown(control, wParam))
        return 0;
    if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(control, ControlProc, 0);
    return ::DefSubclassProc(control, message, wParam, lParam);
}
