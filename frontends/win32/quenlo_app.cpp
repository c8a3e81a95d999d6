#include "quenlo_app.h"

#include "app_message_box.h"
#include "quenlo_dlg.h"
#include "resource.h"
#include "resource_text.h"
#include "udp_socket.h"

#include <commctrl.h>

int CQuenloApp::InitInstance()
{
    UseResourceLanguage(LanguageOfWindowsUi(::GetUserDefaultUILanguage()));
    INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
    ::InitCommonControlsEx(&controls);
    if (!udp::StartSockets()) {
        AppMessageBox(nullptr, LoadResourceString(IDP_SOCKETS_INIT_FAILED), MB_ICONWARNING);
        return 1;
    }
    CQuenloDlg dialog;
    dialog.DoModal(nullptr);
    return 0;
}
