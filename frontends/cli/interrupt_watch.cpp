#include "interrupt_watch.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#include <csignal>

namespace {

std::atomic<const std::function<void(int)>*> currentCallback{nullptr};

// Called by the console on a thread of its own.
BOOL WINAPI OnConsoleControl(DWORD type)
{
    const std::function<void(int)>* callback = currentCallback;
    if ((type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) || !callback)
        return FALSE;
    (*callback)(SIGINT);
    return TRUE;
}

} // namespace

CInterruptWatch::CInterruptWatch(std::function<void(int)> onInterrupt)
    : onInterrupt_(std::move(onInterrupt))
{
    currentCallback = &onInterrupt_;
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

CInterruptWatch::~CInterruptWatch()
{
    ::SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    currentCallback = nullptr;
}

#else

#include <pthread.h>

CInterruptWatch::CInterruptWatch(std::function<void(int)> onInterrupt)
    : onInterrupt_(std::move(onInterrupt))
{
    sigset_t watched;
    sigemptyset(&watched);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&watched, signal);
    pthread_sigmask(SIG_BLOCK, &watched, &previousMask_);
    watcher_ = std::thread([this, watched] {
        int signal = 0;
        while (sigwait(&watched, &signal) == 0 && !ending_)
            onInterrupt_(signal);
    });
}

CInterruptWatch::~CInterruptWatch()
{
    // The watcher's own interrupt, sent to it alone, lets it see that it is ending.
    ending_ = true;
    pthread_kill(watcher_.native_handle(), SIGINT);
    watcher_.join();
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

#endif
