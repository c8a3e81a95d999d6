// Builds a dialog's controls from its template, converting dialog units to pixels with the
// dialog font's metrics.
#pragma once

#include "dialog_template.h"

#include <QFont>
#include <QHash>
#include <QRect>

class QDialog;
class QFontMetrics;
class QWidget;

// Pixels per 4 horizontal and per 8 vertical dialog units.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};

// Horizontal from the average width of the 52 Latin letters, vertical from the font's height.
DialogBaseUnits BaseUnitsOf(const QFontMetrics& metrics);

QRect DialogUnitsToPixels(const QRect& units, DialogBaseUnits base);

// The template's font, or the platform's own UI font at the same size when the face is one of
// the reference platform's that this system lacks.
QFont DialogFont(const QString& face, int points);

// Gives dialog the template's title, font, size (fixed unless the template has a sizing frame)
// and window decorations, creates its controls in tab order and returns them by id. Controls
// without an id (-1) are not returned.
QHash<int, QWidget*> BuildDialog(QDialog* dialog, const DialogTemplate& dialogTemplate);
