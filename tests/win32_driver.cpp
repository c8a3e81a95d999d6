#include "win32_driver.h"

#include <commctrl.h>

#include <deque>
#include <utility>

namespace {

constexpr UINT WM_RUN_ACTION = WM_APP + 100;

std::deque<std::function<void()>>& Actions()
{
    static std::deque<std::function<void()>> actions;
    return actions;
}

LRESULT CALLBACK ActionWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_RUN_ACTION && !Actions().empty()) {
        const std::function<void()> action = std::move(Actions().front());
        Actions().pop_front();
        action();
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND ActionWindow()
{
    static const HWND window = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = ActionWindowProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"QuenloTestActions";
        ::RegisterClassW(&windowClass);
        return ::CreateWindowW(windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               windowClass.hInstance, nullptr);
    }();
    return window;
}

// A file dialog's choice of path: false, as for a dialog cancelled, when there is none.
bool Choose(const std::wstring& path, OPENFILENAMEW& dialog)
{
    if (path.empty() || path.size() >= dialog.nMaxFile)
        return false;
    path.copy(dialog.lpstrFile, path.size());
    dialog.lpstrFile[path.size()] = L'\0';
    return true;
}

} // namespace

SeamCatcher::SeamCatcher()
    : saved_(Seams())
{
    Seams().messageBox = [this](HWND, const std::wstring& text, const std::wstring& caption,
                                UINT type) {
        boxes.push_back({text, caption, type});
        return IDOK;
    };
    Seams().trackMenu = [this](HMENU, HWND, POINT) { return menuChoice; };
    Seams().saveFileName = [this](OPENFILENAMEW& dialog) {
        dialog.nFilterIndex = saveType;
        return Choose(saveAs, dialog);
    };
    Seams().openFileName = [this](OPENFILENAMEW& dialog) { return Choose(openPath, dialog); };
    Seams().openUrl = [this](HWND, const std::wstring& url, HANDLE& started) -> DWORD {
        urls.push_back(url);
        started = std::exchange(launched, nullptr);
        return shellAccepts ? 0 : ERROR_NO_ASSOCIATION;
    };
    Seams().askFirewall = [this] {
        ++firewallAsked;
        return firewall;
    };
}

SeamCatcher::~SeamCatcher()
{
    Seams() = saved_;
}

void InitWindowTests()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    ::InitCommonControlsEx(&controls);
}

void WhenModal(std::function<void()> action)
{
    Actions().push_back(std::move(action));
    ::PostMessageW(ActionWindow(), WM_RUN_ACTION, 0, 0);
}

HWND FindDialog(const std::wstring& title)
{
    return ::FindWindowW(L"#32770", title.c_str());
}

bool PumpUntil(const std::function<bool()>& condition)
{
    const auto limit = std::chrono::steady_clock::now() + WINDOW_WATCHDOG;
    // Looked at after every message, so that it is seen to hold the moment it does.
    for (;;) {
        if (condition())
            return true;
        MSG message;
        if (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
            continue;
        }
        if (std::chrono::steady_clock::now() > limit)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

bool WaitUntilPosted(HWND window, UINT message)
{
    const auto limit = std::chrono::steady_clock::now() + WINDOW_WATCHDOG;
    MSG posted;
    while (!::PeekMessageW(&posted, window, message, message, PM_NOREMOVE)) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_POSTMESSAGE);
    }
    return true;
}

int ItemCount(HWND list)
{
    return static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring ItemText(HWND list, int item, int column)
{
    wchar_t text[1024] = {};
    LVITEMW cell{};
    cell.iSubItem = column;
    cell.pszText = text;
    cell.cchTextMax = static_cast<int>(std::size(text));
    ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell));
    return text;
}

std::wstring ClipboardText()
{
    std::wstring text;
    if (!::OpenClipboard(nullptr))
        return text;
    if (const HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(::GlobalLock(data));
        ::GlobalUnlock(data);
    }
    ::CloseClipboard();
    return text;
}
