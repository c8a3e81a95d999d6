#include "diagnostics.h"

#include <cstdio>

namespace {

DiagnosticSink currentSink;

} // namespace

void Diagnose(std::string_view text)
{
    // Unflushed: the lines reach standard output as its buffer fills and at exit.
    if (currentSink.write)
        currentSink.write(text, currentSink.context);
    else
        std::fwrite(text.data(), 1, text.size(), stdout);
}

DiagnosticSink SetDiagnosticSink(DiagnosticSink sink)
{
    const DiagnosticSink previous = currentSink;
    currentSink = sink;
    return previous;
}
