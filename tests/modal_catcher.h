// Closes the message boxes, dialogs and pop-up menus that a window under test opens, and notes
// what each one showed. Of the catchers alive at a time only the newest acts, so a test's own
// catcher takes over from the one its fixture keeps for modals nobody expected.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

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
        Qt::TextFormat textFormat = Qt::AutoText; // of a message box
        QStringList actions; // of a pop-up menu
    };

    // A pop-up menu gets its action named menuChoice chosen, or is closed when there is none.
    // A dialog other than a message box is handed to onDialog when set, and accepted otherwise.
    explicit ModalCatcher(const QString& menuChoice = {},
                          std::function<void(QDialog*)> onDialog = nullptr);
    ~ModalCatcher() override;

    QList<Seen> seen;

private:
    void Look();

    QTimer timer_;
    QString menuChoice_;
    std::function<void(QDialog*)> onDialog_;
};

// Ends a catcher that a fixture keeps from init() to cleanup() for modals no test expects;
// returns what it caught, one line each, or nothing.
QString EndUnexpectedModals(std::unique_ptr<ModalCatcher>& guard);
