#include "interrupt_watch.h"

#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <thread>
#include <utility>

struct CInterruptWatch::Watcher {
    sigset_t previousMask{};
    std::atomic<bool> ending{false};
    std::thread thread;
};

CInterruptWatch::CInterruptWatch(std::function<void(int)> onInterrupt)
    : onInterrupt_(std::move(onInterrupt)), watcher_(std::make_unique<Watcher>())
{
    sigset_t watched;
    sigemptyset(&watched);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&watched, signal);
    pthread_sigmask(SIG_BLOCK, &watched, &watcher_->previousMask);
    watcher_->thread = std::thread([this, watched] {
        int signal = 0;
        while (sigwait(&watched, &signal) == 0 && !watcher_->ending)
            onInterrupt_(signal);
    });
}

CInterruptWatch::~CInterruptWatch()
{
    // The watcher's own interrupt, sent to it alone, lets it see that it is ending.
    watcher_->ending = true;
    pthread_kill(watcher_->thread.native_handle(), SIGINT);
    watcher_->thread.join();
    pthread_sigmask(SIG_SETMASK, &watcher_->previousMask, nullptr);
}
