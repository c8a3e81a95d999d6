// A test of the Windows main window, created modeless and shown, with the seams caught for its
// lifetime.
#pragma once

#include "quenlo_dlg.h"
#include "win32_driver.h"

#include <gtest/gtest.h>

class MainWindowTest : public testing::Test
{
protected:
    void SetUp() override;

    SeamCatcher seams;
    CQuenloDlg dialog;
    HWND list = nullptr;
};
