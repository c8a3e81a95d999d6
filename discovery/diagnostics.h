// The diagnostic lines of the discovery core, and where they go.
#pragma once

#include <string_view>

// Where diagnostics go: write is called with each text and context. A null write means standard
// output, unflushed.
struct DiagnosticSink {
    void (*write)(std::string_view text, void* context) = nullptr;
    void* context = nullptr;
};

// Writes text through the current sink.
void Diagnose(std::string_view text);

// Makes sink the current one and returns the previous one. Only while no other thread can call
// Diagnose.
DiagnosticSink SetDiagnosticSink(DiagnosticSink sink);
