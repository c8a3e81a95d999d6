#include "launch_watch.h"

#include <algorithm>
#include <utility>

namespace {

// A program that opens a page hands it on and ends within moments, or stays as the browser.
constexpr DWORD WATCH_MS = 10000;
// Launches watched at once; more are let go unwatched.
constexpr std::size_t MOST_WATCHED = 8;

std::wstring FileName(HANDLE process)
{
    wchar_t path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (!::QueryFullProcessImageNameW(process, 0, path, &length))
        return L"?";
    const std::wstring full(path, length);
    const std::size_t slash = full.find_last_of(L"\\/");
    return slash == std::wstring::npos ? full : full.substr(slash + 1);
}

} // namespace

CLaunchWatch::CLaunchWatch(UINT message) : message_(message)
{
}

CLaunchWatch::~CLaunchWatch()
{
    for (const std::unique_ptr<Launch>& launch : launches_)
        Stop(*launch);
}

void CLaunchWatch::Watch(HWND window, HANDLE process, std::u16string url)
{
    auto launch = std::make_unique<Launch>();
    launch->message = message_;
    launch->window = window;
    launch->process = process;
    launch->url = std::move(url);
    if (launches_.size() >= MOST_WATCHED
        || !::RegisterWaitForSingleObject(&launch->wait, process, Ended, launch.get(), WATCH_MS,
                                          WT_EXECUTEONLYONCE)) {
        ::CloseHandle(process);
        return;
    }
    launches_.push_back(std::move(launch));
}

void CALLBACK CLaunchWatch::Ended(void* context, BOOLEAN)
{
    const auto* launch = static_cast<const Launch*>(context);
    ::PostMessageW(launch->window, launch->message, 0, reinterpret_cast<LPARAM>(launch));
}

void CLaunchWatch::Stop(Launch& launch)
{
    ::UnregisterWaitEx(launch.wait, INVALID_HANDLE_VALUE);
    ::CloseHandle(launch.process);
}

std::optional<CLaunchWatch::Failure> CLaunchWatch::Take(LPARAM told)
{
    // Only a launch still watched: a message may come after its window has let it go.
    const auto found = std::find_if(launches_.begin(), launches_.end(), [told](const auto& launch) {
        return reinterpret_cast<LPARAM>(launch.get()) == told;
    });
    if (found == launches_.end())
        return std::nullopt;
    const std::unique_ptr<Launch> launch = std::move(*found);
    launches_.erase(found);
    std::optional<Failure> failure;
    DWORD code = STILL_ACTIVE;
    if (::GetExitCodeProcess(launch->process, &code) && code != STILL_ACTIVE && code != 0)
        failure = Failure{launch->url, FileName(launch->process), code};
    Stop(*launch);
    return failure;
}
