// Standard output as the diagnostics writer needs it, one implementation per platform.
#pragma once

#include <cstddef>

namespace standard_output {

bool IsTerminal();

// Writes all of data; false once standard output takes no more.
bool Write(const char* data, std::size_t length);

// For the calling thread: a write to a pipe nobody reads fails instead of ending the process.
void KeepBrokenPipesFromKillingThisThread();

} // namespace standard_output
