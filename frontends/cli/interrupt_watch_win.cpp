#include "interrupt_watch.h"

#include <windows.h>

#include <atomic>
#include <csignal>
#include <utility>

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

// The console's own thread calls the handler: nothing to keep.
struct CInterruptWatch::Watcher {
};

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
