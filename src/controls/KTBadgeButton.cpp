#include "KTBadgeButton.h"

#include "KTFont.h"
#include "KTNamedImages.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

KTBadgeButton::KTBadgeButton(QWidget *parent)
    : KTAbstractButton(parent), m_badgeBackgroundColor(QColor::fromRgbF(0, 0, 0, 0.5)),
      m_badgeTextColor(Qt::white)
{
    setPictogramPosition(PictogramCentered);
    setNormalStateThreeImageName(QStringLiteral("round_btn"));
    setPushedStateThreeImageName(QStringLiteral("round_btn_on"));
    updatePictogramImage();
}

void KTBadgeButton::setPictogramName(const QString &name)
{
    m_originalPictogram = KTNamedImages::shared().image(name, std::max<qreal>(devicePixelRatioF(), 1.0));
    KTAbstractButton::setPictogramName(name);
}

void KTBadgeButton::setPushedPictogramName(const QString &name)
{
    m_originalPushedPictogram =
        KTNamedImages::shared().image(name, std::max<qreal>(devicePixelRatioF(), 1.0));
    KTAbstractButton::setPushedPictogramName(name);
}

void KTBadgeButton::setPictogramOffset(const QPointF &offset)
{
    m_originalPictogramOffset = offset;
    KTAbstractButton::setPictogramOffset(offset);
}

void KTBadgeButton::setBadgeString(const QString &badge)
{
    m_badgeString = badge;
    updatePictogramImage();
}

void KTBadgeButton::setBadgeBackgroundColor(const QColor &color)
{
    m_badgeBackgroundColor = color;
    updatePictogramImage();
}

void KTBadgeButton::setBadgeTextColor(const QColor &color)
{
    m_badgeTextColor = color;
    updatePictogramImage();
}

void KTBadgeButton::setBadgeRadius(double radius)
{
    m_badgeRadius = radius;
    updatePictogramImage();
}

void KTBadgeButton::updatePictogramImage()
{
    if (pictogram().isNull())
        return;
    if (!m_badgeString.isEmpty()) {
        KTAbstractButton::setPictogramOffset(
            {m_originalPictogramOffset.x() + 4.0, m_originalPictogramOffset.y()});
        setPictogram(pictogramWithBadge(m_originalPictogram));
        setPushedPictogram(pictogramWithBadge(m_originalPushedPictogram));
    } else {
        setPictogram(m_originalPictogram);
        setPushedPictogram(m_originalPushedPictogram);
        KTAbstractButton::setPictogramOffset(m_originalPictogramOffset);
    }
    updateGeometry();
}

QImage KTBadgeButton::pictogramWithBadge(const QImage &pictogram) const
{
    if (pictogram.isNull())
        return pictogram;
    const QFont font = ktFont(QStringLiteral("Helvetica"), 13);
    const QFontMetricsF metrics(font);
    const double tw = metrics.horizontalAdvance(m_badgeString);
    const double th = metrics.height();
    const QSizeF picture = pictogram.deviceIndependentSize();
    const double bw = tw + 16.0;
    const double bh = th + 4.0;
    const double w = picture.width() + 9.0 + bw;
    const double h = std::max(picture.height(), bh);
    // Centring is symmetric, so these rows are the same measured from the top or the bottom.
    const QRectF badge(picture.width() + 3.0, (h - bh) / 2, bw, bh);
    const QRectF text = badge.adjusted(8.0, 2.0, -8.0, -2.0).translated(0, -1.0);

    const qreal ratio = pictogram.devicePixelRatio();
    QImage result(QSize(int(std::ceil(w * ratio)), int(std::ceil(h * ratio))),
                  QImage::Format_ARGB32_Premultiplied);
    result.setDevicePixelRatio(ratio);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawImage(QPointF(0, std::round((h - picture.height()) / 2)), pictogram);
    QPainterPath pill;
    pill.addRoundedRect(badge, m_badgeRadius, m_badgeRadius);
    painter.fillPath(pill, m_badgeBackgroundColor);
    painter.setFont(font);
    painter.setPen(m_badgeTextColor);
    painter.drawText(text, Qt::AlignCenter, m_badgeString);
    return result;
}
