#include "main_window_test.h"

void MainWindowTest::SetUp()
{
    InitWindowTests();
    ASSERT_NE(nullptr, dialog.Create(nullptr));
    ::ShowWindow(dialog.Handle(), SW_SHOW);
    list = dialog.DeviceList();
}
