// The diagnostic lines of the discovery core, and where they go.
#pragma once

#include <string_view>

// Where diagnostics go: write is called with each text and context. A null write means standard
// output.
struct DiagnosticSink {
    void (*write)(std::string_view text, void* context) = nullptr;
    void* context = nullptr;
};

// Writes text through the current sink. Never blocks: standard output is written by a thread of
// its own, buffered as standard output buffers (a line at a time on a terminal, in blocks
// otherwise, the rest at exit). While standard output does not take them, up to 64 KiB of lines
// wait and later ones are dropped; how many is written once output flows again, or at exit. A
// standard output that is gone takes nothing and stops nothing.
void Diagnose(std::string_view text);

// Makes sink the current one and returns the previous one. Only while no other thread can call
// Diagnose.
DiagnosticSink SetDiagnosticSink(DiagnosticSink sink);

// Points standard input, output and error at the null device where one is closed, so that no file
// the program opens later takes their place. Called first thing in main.
void AttachClosedStandardStreams();
