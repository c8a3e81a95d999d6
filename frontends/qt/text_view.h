// A text for the operator to read and copy, such as commands to run by hand, in a small dialog.
#pragma once

#include <QString>

class QWidget;

// Shows text read-only, selectable, under title, until the operator closes it.
void ShowTextView(QWidget* owner, const QString& title, const QString& text);
