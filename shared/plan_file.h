// An address plan's file read from disk, the same way in every front end: only a regular file,
// opened for reading alone and shared with whatever holds it open (a spreadsheet program), and
// never read further than tells a file too large for a plan. A pipe, a device or a folder is
// refused at once: opening a pipe that nobody writes would wait for ever.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

struct PlanFileBytes {
    enum class Outcome { Read, NotRegular, Failed };
    Outcome outcome = Outcome::Failed;
    // Read: the file's bytes, at most MAX_PLAN_BYTES + 1 of them.
    std::string bytes;
    // Failed: the system's error, errno on POSIX and GetLastError() on Windows, in
    // std::system_category().
    std::error_code error;
};

PlanFileBytes ReadPlanBytes(const std::filesystem::path& path);

// A file named on a command line, in the system's narrow encoding: the bytes themselves on POSIX,
// the ANSI code page on Windows.
std::filesystem::path CommandLinePath(const std::string& argument);
