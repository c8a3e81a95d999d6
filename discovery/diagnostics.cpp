#include "diagnostics.h"

#include "diagnostics_platform.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace {

// What may wait for standard output before lines are dropped.
constexpr std::size_t MAX_WAITING = 64 * 1024;
// A file or pipe gets whole blocks, as standard output's own buffer gives them.
constexpr std::size_t BLOCK = 4096;
// How long the program's exit waits for the last lines.
constexpr auto EXIT_LIMIT = std::chrono::milliseconds(300);

DiagnosticSink currentSink;

std::string DroppedNote(std::size_t dropped)
{
    return "netserver Diagnose : " + std::to_string(dropped)
           + " lines dropped while standard output was blocked\n";
}

// The one writer of standard output. It lives until the process ends: at exit it gets a moment
// to write what waits, and a writer stuck on an output nobody reads is simply left behind.
class OutputWriter
{
public:
    static OutputWriter& Instance()
    {
        static OutputWriter* const writer = new OutputWriter();
        return *writer;
    }

    void Post(std::string_view text)
    {
        std::lock_guard lock(mutex_);
        if (waiting_.size() + text.size() > MAX_WAITING) {
            ++dropped_;
            return;
        }
        waiting_.append(text);
        wake_.notify_one();
    }

private:
    OutputWriter()
    {
        try {
            std::thread(&OutputWriter::Run, this).detach();
        } catch (const std::system_error&) {
            return; // no writer: the lines wait until they are dropped, as for a blocked output
        }
        std::atexit([] { Instance().FinishAtExit(); });
    }

    void FinishAtExit()
    {
        std::unique_lock lock(mutex_);
        exiting_ = true;
        wake_.notify_one();
        finished_.wait_for(lock, EXIT_LIMIT, [this] { return waiting_.empty() && written_; });
    }

    void Run()
    {
        standard_output::KeepBrokenPipesFromKillingThisThread();
        const bool terminal = standard_output::IsTerminal();
        std::string pending;
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return !waiting_.empty() || (exiting_ && !written_); });
            pending += std::exchange(waiting_, std::string());
            const bool all = terminal || exiting_;
            lock.unlock();
            const std::size_t length = all ? pending.size() : pending.size() / BLOCK * BLOCK;
            const bool flowed = length > 0 && standard_output::Write(pending.data(), length);
            pending.erase(0, length);
            lock.lock();
            if (flowed && dropped_ > 0)
                waiting_ += DroppedNote(std::exchange(dropped_, 0));
            written_ = exiting_ && waiting_.empty();
            if (written_)
                finished_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::string waiting_;
    std::size_t dropped_ = 0;
    bool exiting_ = false;
    bool written_ = false;
};

} // namespace

void Diagnose(std::string_view text)
{
    if (currentSink.write)
        currentSink.write(text, currentSink.context);
    else
        OutputWriter::Instance().Post(text);
}

DiagnosticSink SetDiagnosticSink(DiagnosticSink sink)
{
    return std::exchange(currentSink, sink);
}
