// Measures texts as a font draws them, on one memory device context held for as long as the font
// stays: the list view's own measure takes and gives back the screen's device context for every
// text, which makes measuring a full list slow.
#pragma once

#include <windows.h>

#include <string_view>

class CTextMeasure
{
public:
    // Measures in a font of its own made like font; the system's font when font is null.
    explicit CTextMeasure(HFONT font);
    ~CTextMeasure();
    CTextMeasure(const CTextMeasure&) = delete;
    CTextMeasure& operator=(const CTextMeasure&) = delete;

    // The pixels text takes on one line.
    int Width(std::u16string_view text) const;

private:
    HDC dc_ = nullptr;
    HFONT font_ = nullptr;
    HGDIOBJ replaced_ = nullptr;
};
