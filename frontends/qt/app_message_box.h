// Message boxes as the program shows them: captioned with the application's name.
#pragma once

#include <QMessageBox>

// Shows text, as plain text whatever it contains, in a modal message box owned by owner, with an
// OK button and icon.
void AppMessageBox(QWidget* owner, const QString& text, QMessageBox::Icon icon);
