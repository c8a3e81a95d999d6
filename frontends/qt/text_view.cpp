#include "text_view.h"

#include "resource.h"
#include "template_dialog.h"

#include <QPlainTextEdit>
#include <QPushButton>

void ShowTextView(QWidget* owner, const QString& title, const QString& text)
{
    CTemplateDialog view(IDD_TEXT_VIEW, owner);
    view.setWindowTitle(title);
    auto* shown = view.ControlAs<QPlainTextEdit>(IDC_TEXT_VIEW);
    shown->setPlainText(text);
    QObject::connect(view.ControlAs<QPushButton>(IDOK), &QPushButton::clicked, &view,
                     &QDialog::accept);
    view.exec();
}
