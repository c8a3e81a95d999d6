// The application: registers the common controls, starts the sockets layer and runs the main
// window until it closes.
#pragma once

class CQuenloApp
{
public:
    explicit CQuenloApp() = default;

    // Runs the program; returns its exit status.
    int InitInstance();
};
