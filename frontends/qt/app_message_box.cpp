#include "app_message_box.h"

#include <QCoreApplication>

void AppMessageBox(QWidget* owner, const QString& text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, QCoreApplication::applicationName(), text, QMessageBox::Ok, owner);
    // Texts may carry what a device sent: a tag in them must never become a live link.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
