// Ctrl+C during a search: the callback runs on a thread of its own, never inside a signal handler,
// so it may take locks.
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
    // Create it before any other thread starts: on POSIX the threads started afterwards inherit
    // the blocked interrupt, which only the watch then takes.
    explicit CInterruptWatch(std::function<void()> onInterrupt);
    // An interrupt from now on ends the program as usual.
    ~CInterruptWatch();
    CInterruptWatch(const CInterruptWatch&) = delete;
    CInterruptWatch& operator=(const CInterruptWatch&) = delete;

private:
    std::function<void()> onInterrupt_;
#ifndef _WIN32
    sigset_t previousMask_{};
    std::atomic<bool> ending_{false};
    std::thread watcher_;
#endif
};
