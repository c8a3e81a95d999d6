#include "diagnostics.h"

#include "diagnostics_platform.h"

#include <io.h>

#include <cstdio>

namespace standard_output {

bool IsTerminal()
{
    return ::_isatty(::_fileno(stdout)) != 0;
}

bool Write(const char* data, std::size_t length)
{
    return std::fwrite(data, 1, length, stdout) == length && std::fflush(stdout) == 0;
}

// Windows raises no signal for a broken pipe; the write just fails.
void KeepBrokenPipesFromKillingThisThread()
{
}

} // namespace standard_output

void AttachClosedStandardStreams()
{
}
