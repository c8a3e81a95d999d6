#include "ui_seams.h"

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
        [](HWND owner, const std::wstring& url) {
            // Values above 32 mean success.
            return reinterpret_cast<INT_PTR>(::ShellExecuteW(owner, nullptr, url.c_str(), nullptr,
                                                             nullptr, SW_SHOWNORMAL))
                   > 32;
        }};
    return seams;
}
