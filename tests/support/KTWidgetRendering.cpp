#include "KTWidgetRendering.h"

#include <QWidget>

QImage renderWidget(QWidget &widget, const QColor &background)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    widget.render(&image, {}, {}, QWidget::DrawChildren);
    return image;
}
