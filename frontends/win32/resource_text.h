// The program's resources in the operator's language (its string table, dialog templates and
// menus, each carried in Chinese and in English), and the system's texts for its error codes.
#pragma once

#include "ui_language.h"

#include <windows.h>

#include <string>

// The language every resource is read in from now on: Chinese until told otherwise.
void UseResourceLanguage(UiLanguage language);

// The string with that identifier; empty when there is none.
std::wstring LoadResourceString(unsigned id);

// The dialog template with that identifier, or null.
const DLGTEMPLATE* ResourceDialog(int id);

// The menu with that identifier, which the caller destroys; null when there is none.
HMENU LoadResourceMenu(int id);

// The system's text for an error code, without its line break; the number where it has none.
std::wstring SystemErrorText(unsigned long error);

// Windows' wide text as the shared layer's UTF-16 text.
inline std::u16string Utf16(const std::wstring& text)
{
    return std::u16string(text.begin(), text.end());
}
