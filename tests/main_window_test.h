// A test of the Windows main window, created modeless and shown, with the seams caught for its
// lifetime.
#pragma once

#include "quenlo_dlg.h"
#include "win32_driver.h"

#include <gtest/gtest.h>

#include <string>

// Rests the mouse on a cell of the window's list; the tooltip's text once it shows, or empty
// after the watchdog.
std::wstring HoverToolTip(const CQuenloDlg& dialog, int item, int column);

class MainWindowTest : public testing::Test
{
protected:
    void SetUp() override;

    SeamCatcher seams;
    CQuenloDlg dialog;
    HWND list = nullptr;
};
