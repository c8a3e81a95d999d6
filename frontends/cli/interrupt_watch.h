// Ctrl+C, and on POSIX the end of the terminal (SIGHUP) or a request to stop (SIGTERM), during a
// search: the callback runs on a thread of its own, never inside a signal handler, so it may take
// locks.
#pragma once

#include <functional>
#include <memory>

class CInterruptWatch
{
public:
    // onInterrupt is told the signal's number; Ctrl+C is SIGINT on Windows too. Create the watch
    // before any other thread starts: on POSIX the threads started afterwards inherit the blocked
    // signals, which only the watch then takes.
    explicit CInterruptWatch(std::function<void(int)> onInterrupt);
    // These signals from now on end the program as usual.
    ~CInterruptWatch();
    CInterruptWatch(const CInterruptWatch&) = delete;
    CInterruptWatch& operator=(const CInterruptWatch&) = delete;

private:
    // What the platform needs to watch, beside the callback.
    struct Watcher;

    std::function<void(int)> onInterrupt_;
    std::unique_ptr<Watcher> watcher_;
};
