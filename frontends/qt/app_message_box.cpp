#include "app_message_box.h"

#include <QCoreApplication>

void AppMessageBox(QWidget* owner, const QString& text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, QCoreApplication::applicationName(), text, QMessageBox::Ok, owner);
    box.exec();
}
