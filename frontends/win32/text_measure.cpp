#include "text_measure.h"

CTextMeasure::CTextMeasure(HFONT font) : dc_(::CreateCompatibleDC(nullptr))
{
    LOGFONTW face{};
    if (font && ::GetObjectW(font, sizeof face, &face) == sizeof face)
        font_ = ::CreateFontIndirectW(&face);
    if (dc_ && font_)
        replaced_ = ::SelectObject(dc_, font_);
}

CTextMeasure::~CTextMeasure()
{
    if (replaced_)
        ::SelectObject(dc_, replaced_);
    if (font_)
        ::DeleteObject(font_);
    if (dc_)
        ::DeleteDC(dc_);
}

int CTextMeasure::Width(std::u16string_view text) const
{
    SIZE size{};
    ::GetTextExtentPoint32W(dc_, reinterpret_cast<const wchar_t*>(text.data()),
                            static_cast<int>(text.size()), &size);
    return size.cx;
}
