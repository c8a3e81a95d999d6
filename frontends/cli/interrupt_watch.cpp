#include "interrupt_watch.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>

#include <atomic>

namespace {

std::atomic<const std::function<void()>*> currentCallback{nullptr};

// Called by the console on a thread of its own.
BOOL WINAPI OnConsoleControl(DWORD type)
{
    const std::function<void()>* callback = currentCallback;
    if ((type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) || !callback)
        return FALSE;
    (*callback)();
    return TRUE;
}

} // namespace

CInterruptWatch::CInterruptWatch(std::function<void()> onInterrupt)
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

CInterruptWatch::CInterruptWatch(std::function<void()> onInterrupt)
    : onInterrupt_(std::move(onInterrupt))
{
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_BLOCK, &interrupt, &previousMask_);
    watcher_ = std::thread([this, interrupt] {
        int signal = 0;
        while (sigwait(&interrupt, &signal) == 0 && !ending_)
            onInterrupt_();
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
