// The application: starts the sockets layer and runs the main window until it closes.
#pragma once

#include <QApplication>
#include <QIcon>

class CQuenloApp : public QApplication
{
    Q_OBJECT

public:
    CQuenloApp(int& argc, char** argv);

    // Runs the program; returns its exit status.
    int InitInstance();
};

// The application icon in every size the program carries.
QIcon ApplicationIcon();
