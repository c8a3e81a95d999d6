#include "terminal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

bool IsTerminal(std::FILE* stream)
{
    return ::isatty(::fileno(stream)) != 0;
}

bool StandardOutputClosed()
{
    return ::fcntl(STDOUT_FILENO, F_GETFD) < 0 && errno == EBADF;
}

void UseUtf8Output()
{
}
