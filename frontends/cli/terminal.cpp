#include "terminal.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

bool IsTerminal(std::FILE* stream)
{
#ifdef _WIN32
    return ::_isatty(::_fileno(stream)) != 0;
#else
    return ::isatty(::fileno(stream)) != 0;
#endif
}

bool StandardOutputClosed()
{
#ifdef _WIN32
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    return output == nullptr || output == INVALID_HANDLE_VALUE;
#else
    return ::fcntl(STDOUT_FILENO, F_GETFD) < 0 && errno == EBADF;
#endif
}

void UseUtf8Output()
{
#ifdef _WIN32
    ::SetConsoleOutputCP(CP_UTF8);
    ::_setmode(::_fileno(stdout), _O_BINARY);
#endif
}

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
