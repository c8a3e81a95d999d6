// Ctrl+C, and on POSIX the end of the terminal (SIGHUP) or a request to stop (SIGTERM), during a
// search: the callback runs on a thread of its own, never inside a signal handler, so it may take
// locks.
#pragma once

#include <functional>

#ifndef _WIN32
#include <signal.h>

#include <atomic>
#include <thread>
#endif

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
    std::function<void(int)> onInterrupt_;
#ifndef _WIN32
    sigset_t previousMask_{};
    std::atomic<bool> ending_{false};
    std::thread watcher_;
#endif
};
