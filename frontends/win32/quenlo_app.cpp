#include "quenlo_app.h"

#include "app_message_box.h"
#include "quenlo_dlg.h"
#include "resource.h"
#include "resource_text.h"

#include <winsock2.h>
#include <commctrl.h>

int CQuenloApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    ::InitCommonControlsEx(&controls);
    if (!StartSockets()) {
        AppMessageBox(nullptr, LoadResourceString(IDP_SOCKETS_INIT_FAILED), MB_ICONWARNING);
        return 1;
    }
    CQuenloDlg dialog;
    dialog.DoModal(nullptr);
    return 0;
}

bool StartSockets()
{
    WSADATA data;
    if (::WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return false;
    if (data.wVersion != MAKEWORD(1, 1)) {
        ::WSACleanup();
        return false;
    }
    return true;
}
