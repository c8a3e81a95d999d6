#include "modal_catcher.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QTest>

ModalCatcher::ModalCatcher(bool triggerMenus)
    : triggerMenus_(triggerMenus)
{
    connect(&timer_, &QTimer::timeout, this, &ModalCatcher::Look);
    timer_.start(10);
}

void ModalCatcher::Look()
{
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        Seen s;
        s.className = QStringLiteral("QMenu");
        for (QAction* action : menu->actions())
            s.actions << action->text();
        seen.append(s);
        if (triggerMenus_ && !menu->actions().isEmpty()) {
            menu->setActiveAction(menu->actions().first());
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
    } else {
        const QList<QLabel*> labels = dialog->findChildren<QLabel*>();
        for (QLabel* label : labels)
            s.text += label->text();
    }
    seen.append(s);
    dialog->accept();
}
