#include "diagnostics.h"
#include "quenlo_app.h"

int main(int argc, char** argv)
{
    AttachClosedStandardStreams();
    CQuenloApp app(argc, argv);
    return app.InitInstance();
}
