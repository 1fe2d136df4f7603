#pragma once

#include <QColor>
#include <QImage>

class QWidget;

/// What `widget` and its children paint, over `background`, at device pixel ratio 1; the
/// widget's window background is left out, so a widget that paints nothing shows `background`.
QImage renderWidget(QWidget &widget, const QColor &background = Qt::transparent);
