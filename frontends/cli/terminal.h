// The terminal, where there is one: whether a stream goes to it, and a status line on it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// Whether stream is a terminal (a console on Windows).
bool IsTerminal(std::FILE* stream);

// Whether the program was started with its standard output closed.
bool StandardOutputClosed();

// Makes standard output carry UTF-8 bytes as they are: on Windows the console's code page
// becomes UTF-8 and no line end is translated.
void UseUtf8Output();

// One line of ASCII text on a terminal, rewritten in place.
class CStatusLine
{
public:
    explicit CStatusLine(std::FILE* stream);
    CStatusLine(const CStatusLine&) = delete;
    CStatusLine& operator=(const CStatusLine&) = delete;

    void Show(const std::string& text);
    // Leaves the line empty, with the cursor at its start.
    void Clear();

private:
    std::FILE* stream_ = nullptr;
    std::size_t shown_ = 0;
};
