#include "resource_text.h"

namespace {

UiLanguage resourceLanguage = UiLanguage::Chinese;

// The resource of a type and name in the chosen language. Asked for by language, not left to the
// system's choice among them, which differs between Windows versions.
const void* FindResourceData(const wchar_t* type, const wchar_t* name)
{
    const WORD language = resourceLanguage == UiLanguage::English
                              ? MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)
                              : MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
    const HMODULE module = ::GetModuleHandleW(nullptr);
    const HRSRC found = ::FindResourceExW(module, type, name, language);
    const HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    return loaded ? ::LockResource(loaded) : nullptr;
}

} // namespace

void UseResourceLanguage(UiLanguage language)
{
    resourceLanguage = language;
}

std::wstring LoadResourceString(unsigned id)
{
    // Strings are kept sixteen to a block, each a length followed by that many characters.
    const auto* text = static_cast<const wchar_t*>(
        FindResourceData(RT_STRING, MAKEINTRESOURCEW(id / 16 + 1)));
    if (!text)
        return {};
    for (unsigned skipped = 0; skipped < id % 16; ++skipped)
        text += 1 + static_cast<unsigned>(*text);
    return std::wstring(text + 1, static_cast<unsigned>(*text));
}

const DLGTEMPLATE* ResourceDialog(int id)
{
    return static_cast<const DLGTEMPLATE*>(FindResourceData(RT_DIALOG, MAKEINTRESOURCEW(id)));
}

HMENU LoadResourceMenu(int id)
{
    const void* menu = FindResourceData(RT_MENU, MAKEINTRESOURCEW(id));
    return menu ? ::LoadMenuIndirectW(menu) : nullptr;
}

std::wstring SystemErrorText(unsigned long error)
{
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length > 0 ? std::wstring(text, length) : std::to_wstring(error);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
        message.pop_back();
    return message;
}
