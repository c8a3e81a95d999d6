// The application: starts the sockets layer and runs the main window until it closes.
#pragma once

#include "ui_language.h"

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

// The language the operator reads, from the locale's variables.
UiLanguage OperatorLanguage();

// The application icon in every size the program carries.
QIcon ApplicationIcon();
