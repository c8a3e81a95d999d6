// The programs the shell started to open web pages, each watched for a while off the window's
// thread: one that ends soon with a failure has not opened its page (under Wine, winebrowser with
// no browser to hand the page to), and the window is told, on its own thread.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CLaunchWatch
{
public:
    // Once a watched program ends, or its watch runs out, message is posted to the window that
    // asked, with the launch as its lParam, for the window to Take.
    explicit CLaunchWatch(UINT message);
    // Stops every watch, waiting for a telling under way.
    ~CLaunchWatch();
    CLaunchWatch(const CLaunchWatch&) = delete;
    CLaunchWatch& operator=(const CLaunchWatch&) = delete;

    // Takes the process started for url and watches it for window.
    void Watch(HWND window, HANDLE process, std::u16string url);

    struct Failure {
        std::u16string url;
        // The program's file name, and the code it ended with.
        std::wstring program;
        DWORD exitCode = 0;
    };
    // The launch's failure, if its program ended with one; the launch is done with either way.
    std::optional<Failure> Take(LPARAM launch);

private:
    struct Launch {
        UINT message = 0;
        HWND window = nullptr;
        HANDLE process = nullptr;
        HANDLE wait = nullptr;
        std::u16string url;
    };
    static void CALLBACK Ended(void* launch, BOOLEAN timedOut);
    static void Stop(Launch& launch);

    UINT message_ = 0;
    std::vector<std::unique_ptr<Launch>> launches_;
};
