#include "dialog_builder.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

#include <limits>

namespace {

const QString LATIN_LETTERS =
    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");

// a * b / c, rounded to the nearest integer.
int MulDiv(int a, int b, int c)
{
    return static_cast<int>((static_cast<long long>(a) * b + c / 2) / c);
}

QWidget* CreateControl(const ControlTemplate& control, QDialog* dialog, QSize pixels)
{
    const QString& kind = control.kind;
    if (kind == QLatin1String("DEFPUSHBUTTON") || kind == QLatin1String("PUSHBUTTON")) {
        auto* button = new QPushButton(control.text, dialog);
        button->setAutoDefault(true);
        button->setDefault(kind == QLatin1String("DEFPUSHBUTTON"));
        return button;
    }
    if (kind == QLatin1String("LTEXT")) {
        auto* label = new QLabel(control.text, dialog);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        // As a static text on Windows: a text longer than its control goes on at the next line.
        label->setWordWrap(true);
        return label;
    }
    if (kind == QLatin1String("EDITTEXT") && control.styles.contains(QLatin1String("ES_MULTILINE"))) {
        auto* text = new QPlainTextEdit(dialog);
        text->setReadOnly(control.styles.contains(QLatin1String("ES_READONLY")));
        text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        return text;
    }
    if (kind == QLatin1String("EDITTEXT")) {
        auto* edit = new QLineEdit(dialog);
        edit->setMaxLength(std::numeric_limits<int>::max());
        edit->setFrame(control.styles.contains(QLatin1String("WS_BORDER")));
        return edit;
    }
    if (kind == QLatin1String("ICON")) {
        auto* icon = new QLabel(dialog);
        const int side = qMin(pixels.width(), pixels.height());
        icon->setPixmap(QApplication::windowIcon().pixmap(side, side));
        return icon;
    }
    if (kind == QLatin1String("COMBOBOX"))
        return new QComboBox(dialog);
    if (kind == QLatin1String("LISTVIEW")) {
        auto* list = new QTableView(dialog);
        if (!control.styles.contains(QLatin1String("WS_BORDER")))
            list->setFrameShape(QFrame::NoFrame);
        return list;
    }
    qFatal("control %s has an unknown kind %s", qPrintable(control.name), qPrintable(kind));
}

} // namespace

DialogBaseUnits BaseUnitsOf(const QFontMetrics& metrics)
{
    return {(metrics.horizontalAdvance(LATIN_LETTERS) / 26 + 1) / 2, metrics.height()};
}

QRect DialogUnitsToPixels(const QRect& units, DialogBaseUnits base)
{
    return QRect(MulDiv(units.x(), base.x, 4), MulDiv(units.y(), base.y, 8),
                 MulDiv(units.width(), base.x, 4), MulDiv(units.height(), base.y, 8));
}

QFont DialogFont(const QString& face, int points)
{
    const bool referenceFace = face == QLatin1String("MS Shell Dlg")
                               || face == QLatin1String("Microsoft Sans Serif");
    QFont font = referenceFace && !QFontDatabase::hasFamily(face) ? QApplication::font()
                                                                  : QFont(face);
    font.setPointSize(points);
    return font;
}

QHash<int, QWidget*> BuildDialog(QDialog* dialog, const DialogTemplate& dialogTemplate)
{
    dialog->setObjectName(dialogTemplate.name);
    dialog->setWindowTitle(dialogTemplate.title);
    // Fixed in size unless the template gives it a sizing frame; no minimise box.
    const bool sizable = dialogTemplate.styles.contains(QLatin1String("WS_THICKFRAME"));
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if (!sizable)
        flags |= Qt::MSWindowsFixedSizeDialogHint;
    if (dialogTemplate.styles.contains(QLatin1String("WS_CAPTION")))
        flags |= Qt::WindowTitleHint;
    if (dialogTemplate.styles.contains(QLatin1String("WS_SYSMENU")))
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (dialogTemplate.styles.contains(QLatin1String("WS_MAXIMIZEBOX")))
        flags |= Qt::WindowMaximizeButtonHint;
    dialog->setWindowFlags(flags);
    dialog->setFont(DialogFont(dialogTemplate.fontFace, dialogTemplate.fontPoints));
    const DialogBaseUnits base = BaseUnitsOf(QFontMetrics(dialog->font()));
    const QSize size = DialogUnitsToPixels(QRect(QPoint(0, 0), dialogTemplate.size), base).size();
    if (sizable)
        dialog->resize(size);
    else
        dialog->setFixedSize(size);

    QHash<int, QWidget*> controls;
    QWidget* previousTabStop = nullptr;
    // A label's access key goes to the control after it, as in a Windows dialog.
    QLabel* labelWithKey = nullptr;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QRect pixels = DialogUnitsToPixels(control.rect, base);
        QWidget* widget = CreateControl(control, dialog, pixels.size());
        // A combo box's template height holds its open list; closed, it is as high as it needs.
        if (qobject_cast<QComboBox*>(widget))
            pixels.setHeight(widget->sizeHint().height());
        if (labelWithKey)
            labelWithKey->setBuddy(widget);
        labelWithKey = control.kind == QLatin1String("LTEXT") && control.text.contains(u'&')
                           ? qobject_cast<QLabel*>(widget)
                           : nullptr;
        widget->setObjectName(control.name);
        widget->setGeometry(pixels);
        if (control.styles.contains(QLatin1String("WS_TABSTOP"))) {
            widget->setFocusPolicy(Qt::StrongFocus);
            if (previousTabStop)
                QWidget::setTabOrder(previousTabStop, widget);
            else
                widget->setFocus();
            previousTabStop = widget;
        } else {
            widget->setFocusPolicy(Qt::NoFocus);
        }
        if (control.id >= 0)
            controls.insert(control.id, widget);
    }
    return controls;
}
