#include "KTThreePartImage.h"

#include "KTNamedImages.h"

#include <QPainter>

#include <algorithm>

KTThreePartNames KTThreePartNames::fromBase(const QString &base)
{
    return {base + QStringLiteral("_left"), base + QStringLiteral("_center"),
            base + QStringLiteral("_right")};
}

KTThreePartNames KTThreePartNames::withSuffix(const QString &suffix) const
{
    return {left + suffix, center + suffix, right + suffix};
}

bool KTThreePartNames::allExist() const
{
    const KTNamedImages &images = KTNamedImages::shared();
    return images.contains(left) && images.contains(center) && images.contains(right);
}

void drawThreePartImage(QPainter &painter, const QRectF &rect, const KTThreePartNames &names,
                        qreal devicePixelRatio)
{
    if (rect.isEmpty())
        return;
    const KTNamedImages &images = KTNamedImages::shared();
    const double leftWidth = std::min(images.naturalSize(names.left).width(), rect.width());
    const double rightWidth = std::min(images.naturalSize(names.right).width(), rect.width() - leftWidth);
    const double centerWidth = rect.width() - leftWidth - rightWidth;
    const auto draw = [&](const QString &name, double x, double width) {
        if (width <= 0)
            return;
        const QImage part = images.image(name, QSizeF(width, rect.height()), devicePixelRatio);
        if (!part.isNull())
            painter.drawImage(QRectF(x, rect.top(), width, rect.height()), part);
    };
    draw(names.left, rect.left(), leftWidth);
    draw(names.center, rect.left() + leftWidth, centerWidth);
    draw(names.right, rect.right() - rightWidth, rightWidth);
}

QImage threePartImage(const KTThreePartNames &names, const QSizeF &size, qreal devicePixelRatio)
{
    if (size.isEmpty())
        return {};
    QImage image((size * devicePixelRatio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawThreePartImage(painter, QRectF(QPointF(0, 0), size), names, devicePixelRatio);
    return image;
}
