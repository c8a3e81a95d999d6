// Closes the message boxes, dialogs and pop-up menus that a window under test opens, and notes
// what each one showed.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

class ModalCatcher : public QObject
{
    Q_OBJECT

public:
    struct Seen {
        QString className;
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList actions; // of a pop-up menu
    };

    // With triggerMenus, the first action of a pop-up menu is chosen; otherwise it is closed.
    explicit ModalCatcher(bool triggerMenus = false);

    QList<Seen> seen;

private:
    void Look();

    QTimer timer_;
    bool triggerMenus_ = false;
};
