// A dialog made from a template in the program's resources, over a plain dialog procedure: modal
// through DialogBoxParamW as the program runs it, or modeless for tests that drive it.
#pragma once

#include <windows.h>

#include <string>

class CDialogWindow
{
public:
    explicit CDialogWindow(int templateId);
    virtual ~CDialogWindow();
    CDialogWindow(const CDialogWindow&) = delete;
    CDialogWindow& operator=(const CDialogWindow&) = delete;

    // Runs the dialog owned by owner until it ends; returns what it ended with.
    INT_PTR DoModal(HWND owner);
    // Creates the dialog modeless and returns it; ending it destroys it.
    HWND Create(HWND owner);

    HWND Handle() const { return hwnd_; }
    HWND Item(int id) const { return ::GetDlgItem(hwnd_, id); }
    std::wstring ItemText(int id) const;
    void EndDialog(INT_PTR result);

protected:
    // Called once the controls exist; true to give the focus to the first control.
    virtual bool OnInitDialog() { return true; }
    // A command from a control, a menu or the keyboard; true when handled.
    virtual bool OnCommand(int id, int code);
    // Any other message; handled says whether the default processing is to be skipped.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    // A key pressed in one of the dialog's controls; true when it is taken.
    virtual bool OnKeyDown(HWND control, WPARAM key);
    // F1: there is no help to start, and the operator is told so.
    void OnHelp();
    // The client size the template asks for, in the dialog's pixels: the window may have been
    // made smaller than that where the screen is.
    SIZE TemplateClientSize() const;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR self);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    int templateId_ = 0;
    HWND hwnd_ = nullptr;
    bool modal_ = false;
};
