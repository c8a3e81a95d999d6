// Texts of the program's string table.
#pragma once

#include <string>

// The string with that identifier; empty when there is none.
std::wstring LoadResourceString(unsigned id);
