#include "KTProgressIndicator.h"

#include "KTAnimations.h"
#include "KTFraction.h"
#include "KTNamedImages.h"
#include "KTThreePartImage.h"
#include "KTViewAdditions.h"

#include <QEvent>
#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace {

const KTThreePartNames kBarNames{QStringLiteral("loader_left"), QStringLiteral("loader_center"),
                                 QStringLiteral("loader_right")};
const QString kFillName = QStringLiteral("loader_fill_center");
const QString kTileName = QStringLiteral("loader_anim");

QImage blankImage(const QSizeF &size, qreal ratio)
{
    QImage image(std::max(1, int(std::ceil(size.width() * ratio))),
                 std::max(1, int(std::ceil(size.height() * ratio))), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    return image;
}

/// Repeats `tile` over (0, 0, size) from the top-left corner.
void tile(QPainter &painter, const QImage &tile, const QSizeF &size)
{
    const QSizeF step = tile.deviceIndependentSize();
    if (step.isEmpty())
        return;
    for (double y = 0; y < size.height(); y += step.height()) {
        for (double x = 0; x < size.width(); x += step.width())
            painter.drawImage(QPointF(x, y), tile);
    }
}

/// Keeps only what lies inside the bar's shape (the alpha of `mask`).
void clipToShape(QImage &image, const QImage &mask)
{
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.drawImage(QPointF(0, 0), mask);
}

} // namespace

KTProgressIndicator::KTProgressIndicator(QWidget *parent)
    : KTDrawView(parent), m_stripes(new QVariantAnimation(this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_stripes->setLoopCount(-1);
    connect(m_stripes, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_stripesOffset = value.toDouble();
        update();
    });
    m_stripesOffset = -tileWidth();
    setIndeterminate(true);
    startAnimation();
}

KTProgressIndicator::~KTProgressIndicator() = default;

void KTProgressIndicator::setMinValue(double value)
{
    if (value == m_minValue)
        return;
    m_minValue = value;
    rebuildFill();
    update();
}

void KTProgressIndicator::setMaxValue(double value)
{
    if (value == m_maxValue)
        return;
    m_maxValue = value;
    rebuildFill();
    update();
}

void KTProgressIndicator::setValue(double value)
{
    if (value == m_value)
        return;
    m_value = value;
    rebuildFill();
    update();
}

void KTProgressIndicator::setIndeterminate(bool indeterminate)
{
    if (indeterminate == m_indeterminate)
        return;
    m_indeterminate = indeterminate;
    updateStripeAnimation();
    update();
}

void KTProgressIndicator::startAnimation()
{
    m_animating = true;
    updateStripeAnimation();
}

void KTProgressIndicator::stopAnimation()
{
    m_animating = false;
    m_stripes->stop();
    m_stripesOffset = -tileWidth();
    update();
}

double KTProgressIndicator::fraction() const
{
    // A range of 0 (maximum 0 for a move of zero images) shows an empty bar, not a division by 0.
    return std::clamp(ktFraction(m_value, m_minValue, m_maxValue), 0.0, 1.0);
}

QRectF KTProgressIndicator::fillRect() const
{
    return {0, 0, width() * fraction(), double(height())};
}

bool KTProgressIndicator::isStripeAnimationRunning() const
{
    return m_stripes->state() == QAbstractAnimation::Running;
}

QSize KTProgressIndicator::sizeHint() const
{
    return {200, int(std::ceil(KTNamedImages::shared().naturalSize(kBarNames.center).height()))};
}

double KTProgressIndicator::stripesWidth() const
{
    // Whole tiles, at least one more than the bar is wide, so that shifting the strip by one
    // tile width never uncovers its end.
    const double tileW = tileWidth();
    if (!(tileW > 0) || width() <= 0)
        return 0.0;
    return tileW * int(width() / tileW + 2);
}

double KTProgressIndicator::tileWidth() const
{
    return KTNamedImages::shared().naturalSize(kTileName).width();
}

void KTProgressIndicator::rebuildImages()
{
    const QSizeF size(this->size());
    const qreal ratio = devicePixelRatioF();
    m_bar = size.isEmpty() ? QImage() : threePartImage(kBarNames, size, ratio);

    const QImage tileImage = KTNamedImages::shared().image(kTileName, ratio);
    const double stripWidth = stripesWidth();
    m_strip = QImage();
    if (!tileImage.isNull() && stripWidth > 0 && !size.isEmpty()) {
        m_strip = blankImage(QSizeF(stripWidth, size.height()), ratio);
        QPainter painter(&m_strip);
        tile(painter, tileImage, QSizeF(stripWidth, size.height()));
    }
    m_composed = size.isEmpty() ? QImage() : blankImage(size, ratio);
    rebuildFill();
}

void KTProgressIndicator::rebuildFill()
{
    m_fill = QImage();
    const QSizeF size(this->size());
    if (!size.isEmpty() && !m_bar.isNull() && m_bar.deviceIndependentSize() == size) {
        const qreal ratio = devicePixelRatioF();
        // The fill picture is stretched to the bar's height, so its shading fits any bar.
        const QSizeF natural = KTNamedImages::shared().naturalSize(kFillName);
        const QImage fillTile =
            KTNamedImages::shared().image(kFillName, QSizeF(natural.width(), size.height()), ratio);
        const QRectF filled = fillRect();
        if (!fillTile.isNull() && filled.width() > 0) {
            m_fill = blankImage(size, ratio);
            QPainter painter(&m_fill);
            painter.setClipRect(filled);
            tile(painter, fillTile, filled.size());
            painter.end();
            clipToShape(m_fill, m_bar);
        }
    }
}

void KTProgressIndicator::updateStripeAnimation()
{
    const bool run = m_animating && m_indeterminate && isVisible() && !isHiddenOrHasHiddenAncestor(this);
    if (!run) {
        if (m_stripes->state() == QAbstractAnimation::Running)
            m_stripes->pause();
        return;
    }
    const int milliseconds = KTAnimations::duration(kStripePeriod);
    // With animations off the stripes stand still at their start.
    if (milliseconds <= 0 || tileWidth() <= 0)
        return;
    if (m_stripes->state() == QAbstractAnimation::Paused) {
        m_stripes->resume();
        return;
    }
    if (m_stripes->state() == QAbstractAnimation::Stopped) {
        m_stripes->setStartValue(-tileWidth());
        m_stripes->setEndValue(0.0);
        m_stripes->setDuration(milliseconds);
        m_stripes->start();
    }
}

void KTProgressIndicator::drawInRect(QPainter &painter, const QRectF &)
{
    if (m_bar.isNull() || m_bar.devicePixelRatio() != devicePixelRatioF() ||
        m_bar.deviceIndependentSize() != QSizeF(size()))
        rebuildImages();
    if (m_bar.isNull())
        return;
    painter.drawImage(QPointF(0, 0), m_bar);
    if (!m_indeterminate) {
        if (!m_fill.isNull())
            painter.drawImage(QPointF(0, 0), m_fill);
        return;
    }
    if (m_strip.isNull() || m_composed.isNull())
        return;
    m_composed.fill(Qt::transparent);
    {
        QPainter composer(&m_composed);
        composer.drawImage(QPointF(m_stripesOffset, 0), m_strip);
    }
    clipToShape(m_composed, m_bar);
    painter.drawImage(QPointF(0, 0), m_composed);
}

void KTProgressIndicator::resizeEvent(QResizeEvent *event)
{
    KTDrawView::resizeEvent(event);
    // Every picture is made for the bar's size; the next paint makes them again.
    m_bar = QImage();
}

void KTProgressIndicator::viewDidHide()
{
    KTDrawView::viewDidHide();
    updateStripeAnimation();
}

void KTProgressIndicator::viewDidUnhide()
{
    KTDrawView::viewDidUnhide();
    updateStripeAnimation();
}
