// Message boxes as the program shows them: captioned with the program's name.
#pragma once

#include <windows.h>

#include <string>

// The executable's file name without its extension.
std::wstring AppName();

// Shows text in a modal message box owned by owner, with an OK button and icon (an MB_ICON* value,
// or 0 for none).
int AppMessageBox(HWND owner, const std::wstring& text, UINT icon);
