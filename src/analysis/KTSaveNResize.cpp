#include "KTSaveNResize.h"

#include <QDebug>

QImage KTSaveNResize::imageResize(const QImage &image, QSizeF size)
{
    if (image.isNull()) {
        qWarning("Invalid Image");
        return {};
    }
    const QSize target = size.toSize();
    if (target.isEmpty())
        return {};
    // Pixels are copied, alpha included, not blended onto a background.
    return image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
