#include "terminal.h"

CStatusLine::CStatusLine(std::FILE* stream)
    : stream_(stream)
{
}

void CStatusLine::Show(const std::string& text)
{
    // Blanks cover what is left of a longer text shown before.
    const std::size_t cover = shown_ > text.size() ? shown_ - text.size() : 0;
    std::fprintf(stream_, "\r%s%*s", text.c_str(), static_cast<int>(cover), "");
    std::fflush(stream_);
    shown_ = text.size();
}

void CStatusLine::Clear()
{
    std::fprintf(stream_, "\r%*s\r", static_cast<int>(shown_), "");
    std::fflush(stream_);
    shown_ = 0;
}
