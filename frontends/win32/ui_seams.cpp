#include "ui_seams.h"

#include "firewall_policy.h"

#include <shellapi.h>

UiSeams& Seams()
{
    static UiSeams seams{
        [](HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
            return ::MessageBoxW(owner, text.c_str(), caption.c_str(), type);
        },
        [](HMENU popup, HWND owner, POINT screen) {
            return static_cast<int>(::TrackPopupMenu(popup, TPM_RETURNCMD, screen.x, screen.y, 0,
                                                     owner, nullptr));
        },
        [](OPENFILENAMEW& dialog) { return ::GetSaveFileNameW(&dialog) != FALSE; },
        [](OPENFILENAMEW& dialog) { return ::GetOpenFileNameW(&dialog) != FALSE; },
        [](HWND owner, const std::wstring& url, HANDLE& launched) -> DWORD {
            SHELLEXECUTEINFOW open{};
            open.cbSize = sizeof open;
            // The window says why it failed, with the address: not the shell's own box.
            open.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
            open.hwnd = owner;
            open.lpFile = url.c_str();
            open.nShow = SW_SHOWNORMAL;
            if (::ShellExecuteExW(&open)) {
                launched = open.hProcess;
                return 0;
            }
            const DWORD error = ::GetLastError();
            return error != 0 ? error : ERROR_NO_ASSOCIATION;
        },
        AskFirewallPolicy};
    return seams;
}
