// Texts of the program's string table.
#pragma once

#include <initializer_list>
#include <string>

// The string with that identifier; empty when there is none.
std::wstring LoadResourceString(unsigned id);

// The string with that identifier, %1, %2... replaced by the arguments in that order.
std::wstring FormatResourceString(unsigned id, std::initializer_list<std::wstring> arguments);
