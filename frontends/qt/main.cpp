#include "quenlo_app.h"

int main(int argc, char** argv)
{
    CQuenloApp app(argc, argv);
    return app.InitInstance();
}
