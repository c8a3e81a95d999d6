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
