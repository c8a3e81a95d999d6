#include "app_message_box.h"

#include "ui_seams.h"

std::wstring AppName()
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path);
    name.erase(0, name.find_last_of(L"\\/") + 1);
    if (const std::size_t dot = name.find_last_of(L'.'); dot != std::wstring::npos)
        name.erase(dot);
    return name;
}

int AppMessageBox(HWND owner, const std::wstring& text, UINT icon)
{
    return Seams().messageBox(owner, text, AppName(), MB_OK | icon);
}
