// A dialog built from one of the program's dialog templates.
#pragma once

#include "dialog_template.h"

#include <QDialog>
#include <QHash>

class CTemplateDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CTemplateDialog(int templateId, QWidget* parent = nullptr);

    // The control with a template id, or nullptr.
    QWidget* Control(int id) const { return controls_.value(id); }

    template <class T>
    T* ControlAs(int id) const
    {
        return qobject_cast<T*>(Control(id));
    }

protected:
    // F1: no help file ships with the program, so asking for help fails.
    void OnHelp();

private:
    QHash<int, QWidget*> controls_;
};
