#include "modal_catcher.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QTest>

#include <utility>

namespace {

// The catchers alive, oldest first.
QList<ModalCatcher*>& LiveCatchers()
{
    static QList<ModalCatcher*> live;
    return live;
}

} // namespace

ModalCatcher::ModalCatcher(const QString& menuChoice, std::function<void(QDialog*)> onDialog)
    : menuChoice_(menuChoice), onDialog_(std::move(onDialog))
{
    LiveCatchers().append(this);
    connect(&timer_, &QTimer::timeout, this, &ModalCatcher::Look);
    timer_.start(10);
}

ModalCatcher::~ModalCatcher()
{
    LiveCatchers().removeOne(this);
}

QString EndUnexpectedModals(std::unique_ptr<ModalCatcher>& guard)
{
    const std::unique_ptr<ModalCatcher> ended = std::move(guard);
    QStringList lines;
    for (const ModalCatcher::Seen& s : ended->seen)
        lines << QStringLiteral("unexpected %1 \"%2\" %3%4")
                     .arg(s.className, s.title, s.text, s.actions.join(QLatin1Char('|')));
    return lines.join(QLatin1Char('\n'));
}

void ModalCatcher::Look()
{
    if (LiveCatchers().constLast() != this)
        return;
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        Seen s;
        s.className = QStringLiteral("QMenu");
        QAction* choice = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            s.actions << action->text();
            if (action->text() == menuChoice_)
                choice = action;
        }
        seen.append(s);
        if (choice) {
            menu->setActiveAction(choice);
            QTest::keyClick(menu, Qt::Key_Return);
        } else {
            menu->close();
        }
        return;
    }
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog)
        return;
    Seen s;
    s.className = QString::fromLatin1(dialog->metaObject()->className());
    s.title = dialog->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
        s.text = box->text();
        s.icon = box->icon();
        s.textFormat = box->textFormat();
    } else {
        const QList<QLabel*> labels = dialog->findChildren<QLabel*>();
        for (QLabel* label : labels)
            s.text += label->text();
    }
    seen.append(s);
    if (onDialog_ && !qobject_cast<QMessageBox*>(dialog))
        onDialog_(dialog);
    else
        dialog->accept();
}
