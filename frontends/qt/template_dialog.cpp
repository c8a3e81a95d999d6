#include "template_dialog.h"

#include "app_message_box.h"
#include "dialog_builder.h"
#include "resource.h"

#include <QShortcut>

CTemplateDialog::CTemplateDialog(int templateId, QWidget* parent)
    : QDialog(parent), controls_(BuildDialog(this, LoadDialogTemplate(templateId)))
{
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, &CTemplateDialog::OnHelp);
}

void CTemplateDialog::OnHelp()
{
    AppMessageBox(this, LoadResourceString(IDS_HELP_FAILED), QMessageBox::Warning);
}
