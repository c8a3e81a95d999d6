// Dialog templates, row menus and strings, read from the program's resources.
#pragma once

#include "ui_language.h"

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

// One control of a dialog template; rectangles are in dialog units.
struct ControlTemplate {
    int id = -1;
    QString name;
    QString kind; // DEFPUSHBUTTON, PUSHBUTTON, LTEXT, EDITTEXT, ICON or LISTVIEW
    QString text;
    QRect rect;
    QStringList styles;
};

// A dialog as its template describes it; controls are in tab order.
struct DialogTemplate {
    int id = -1;
    QString name;
    QString title;
    QSize size;
    QString fontFace;
    int fontPoints = 0;
    QStringList styles;
    QList<ControlTemplate> controls;
};

// A menu item; one with id 0 is a separator.
struct MenuItemTemplate {
    int id = -1;
    QString name;
    QString text;
};

struct PopupTemplate {
    QString text;
    QList<MenuItemTemplate> items;
};

struct MenuTemplate {
    int id = -1;
    QString name;
    QList<PopupTemplate> popups;
};

// The language every template and string is read in from now on: Chinese until told otherwise.
void UseResourceLanguage(UiLanguage language);

// The template of dialog id. A missing or malformed resource is a build fault: it aborts with
// the resource's name rather than showing a half-built window.
DialogTemplate LoadDialogTemplate(int id);
MenuTemplate LoadMenuTemplate(int id);

// The string id of the string table; empty when there is none.
QString LoadResourceString(int id);
