#include "terminal.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

bool IsTerminal(std::FILE* stream)
{
    return ::_isatty(::_fileno(stream)) != 0;
}

bool StandardOutputClosed()
{
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    return output == nullptr || output == INVALID_HANDLE_VALUE;
}

void UseUtf8Output()
{
    ::SetConsoleOutputCP(CP_UTF8);
    ::_setmode(::_fileno(stdout), _O_BINARY);
}
