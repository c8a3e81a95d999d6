// Diagnostics of the discovery core collected for a test instead of going to standard output.
#pragma once

#include "diagnostics.h"

#include <mutex>
#include <string>

// Collects every diagnostic written while it lives; the previous sink is back afterwards. Create
// and destroy it only while no worker thread runs; Text is safe while one does.
class DiagnosticCapture
{
public:
    DiagnosticCapture();
    ~DiagnosticCapture();
    DiagnosticCapture(const DiagnosticCapture&) = delete;
    DiagnosticCapture& operator=(const DiagnosticCapture&) = delete;

    // What was written so far.
    std::string Text() const;

private:
    static void Append(std::string_view text, void* context);

    mutable std::mutex mutex_;
    std::string text_;
    DiagnosticSink previous_;
};
