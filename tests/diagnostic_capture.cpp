#include "diagnostic_capture.h"

DiagnosticCapture::DiagnosticCapture()
    : previous_(SetDiagnosticSink({&DiagnosticCapture::Append, this}))
{
}

DiagnosticCapture::~DiagnosticCapture()
{
    SetDiagnosticSink(previous_);
}

std::string DiagnosticCapture::Text() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return text_;
}

void DiagnosticCapture::Append(std::string_view text, void* context)
{
    auto* self = static_cast<DiagnosticCapture*>(context);
    const std::lock_guard<std::mutex> lock(self->mutex_);
    self->text_.append(text);
}
