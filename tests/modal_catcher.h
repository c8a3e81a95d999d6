// Closes the message boxes, dialogs and pop-up menus that a window under test opens, and notes
// what each one showed.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>

class QDialog;

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

    // A pop-up menu gets its action named menuChoice chosen, or is closed when there is none.
    // A dialog other than a message box is handed to onDialog when set, and accepted otherwise.
    explicit ModalCatcher(const QString& menuChoice = {},
                          std::function<void(QDialog*)> onDialog = nullptr);

    QList<Seen> seen;

private:
    void Look();

    QTimer timer_;
    QString menuChoice_;
    std::function<void(QDialog*)> onDialog_;
};
