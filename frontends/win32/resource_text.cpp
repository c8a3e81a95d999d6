#include "resource_text.h"

#include <windows.h>

std::wstring LoadResourceString(unsigned id)
{
    const wchar_t* text = nullptr;
    // A length of 0 asks for a pointer into the resource itself, which is not NUL-terminated.
    const int length = ::LoadStringW(::GetModuleHandleW(nullptr), id,
                                     reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

std::wstring FormatResourceString(unsigned id, std::initializer_list<std::wstring> arguments)
{
    const std::wstring pattern = LoadResourceString(id);
    std::wstring text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const std::size_t index =
            i + 1 < pattern.size() ? static_cast<std::size_t>(pattern[i + 1] - L'1') : arguments.size();
        if (pattern[i] == L'%' && index < arguments.size()) {
            text += *(arguments.begin() + index);
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}
