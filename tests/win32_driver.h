// What the Windows window's tests need to drive it: the seams caught, modal dialogs run from
// inside their own loops, this thread's messages pumped, and the list view read back.
#pragma once

#include "ui_seams.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// Only for what never comes: under Wine, under load, a window can take many times its usual time.
constexpr auto WINDOW_WATCHDOG = std::chrono::seconds(30);

struct ShownBox {
    std::wstring text;
    std::wstring caption;
    UINT type = 0;
};

// Puts recording seams in place for its lifetime: message boxes are recorded and closed with OK,
// menus choose menuChoice, the Save As dialog chooses saveAs as a file of type saveType (or no
// file when it is empty), the Open dialog chooses openPath (or none when it is empty), URLs are
// recorded and accepted as shellAccepts says (refused, as with no program for web pages), the
// shell hands over launched as the program it started (once), the firewall answers firewall.
class SeamCatcher
{
public:
    explicit SeamCatcher();
    ~SeamCatcher();
    SeamCatcher(const SeamCatcher&) = delete;
    SeamCatcher& operator=(const SeamCatcher&) = delete;

    std::vector<ShownBox> boxes;
    std::vector<std::wstring> urls;
    int menuChoice = 0;
    std::wstring saveAs;
    DWORD saveType = 1;
    std::wstring openPath;
    bool shellAccepts = true;
    HANDLE launched = nullptr;
    FirewallAnswer firewall;
    int firewallAsked = 0;

private:
    UiSeams saved_;
};

// Registers the common controls, as the program does first.
void InitWindowTests();

// Runs action from the next message loop of this thread, such as a modal dialog's own.
void WhenModal(std::function<void()> action);

// The top-level dialog of this thread captioned title, or null.
HWND FindDialog(const std::wstring& title);

// Dispatches this thread's messages until condition holds; false after the watchdog.
bool PumpUntil(const std::function<bool()>& condition);

// Waits until the message has been posted to the window, dispatching nothing and leaving it
// queued, so that what is posted after it runs after it; false after the watchdog.
bool WaitUntilPosted(HWND window, UINT message);

int ItemCount(HWND list);
std::wstring ItemText(HWND list, int item, int column);
std::wstring ClipboardText();
