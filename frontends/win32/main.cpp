#include "diagnostics.h"
#include "quenlo_app.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    AttachClosedStandardStreams();
    CQuenloApp app;
    return app.InitInstance();
}
