// What the window asks of the desktop that waits for the operator or leaves the program: message
// boxes, pop-up menus, the file dialogs and the shell. Tests put their own in place of the real
// ones.
#pragma once

#include "firewall_hint.h"

#include <windows.h>

#include <commdlg.h>

#include <functional>
#include <string>

struct UiSeams {
    // Shows a message box; returns the button that closed it.
    std::function<int(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)>
        messageBox;
    // Shows a pop-up menu at a screen position; returns the command chosen, or 0.
    std::function<int(HMENU popup, HWND owner, POINT screen)> trackMenu;
    // The Save As dialog, as GetSaveFileNameW shows it: false when the operator chose no file.
    std::function<bool(OPENFILENAMEW& dialog)> saveFileName;
    // The Open dialog, as GetOpenFileNameW shows it: false when the operator chose no file.
    std::function<bool(OPENFILENAMEW& dialog)> openFileName;
    // Hands a URL to the shell's default action; the system's error code when the shell cannot
    // open it, 0 when it does. launched: the program it started for it, where it gives one, for
    // the caller to close.
    std::function<DWORD(HWND owner, const std::wstring& url, HANDLE& launched)> openUrl;
    // What the firewall reports of the networks the computer is on, where it can be asked.
    std::function<FirewallAnswer()> askFirewall;
};

// The seams in use, at first the real ones. Window thread only.
UiSeams& Seams();
