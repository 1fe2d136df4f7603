#include "KTImageLayerStack.h"

#include "KTFont.h"
#include "KTScaledImageCache.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>

namespace {

QFont missingFileFont(double size)
{
    return ktFont(QStringLiteral("Helvetica"), size);
}

/// The pixels whose centres lie in `rect`: what a fill of `rect` without antialiasing covers.
QRect pixelsOf(const QRectF &rect)
{
    const auto edge = [](double at) { return int(std::ceil(at - 0.5)); };
    return QRect(QPoint(edge(rect.left()), edge(rect.top())),
                 QPoint(edge(rect.right()) - 1, edge(rect.bottom()) - 1));
}

/// Fills `region` with a translucent `color` in bands of a few dozen device rows. Qt's raster
/// engine hands a translucent fill of about a hundred rows or more to its thread pool; for the
/// thin sides of a shadow, waking the pool costs far more than the fill, and on a busy machine
/// the paint then waits for threads that are not running.
void fillThinRegion(QPainter &painter, const QRegion &region, const QColor &color, qreal devicePixelRatio)
{
    const int band = std::max(1, int(64 / devicePixelRatio));
    for (const QRect &rect : region) {
        for (int top = rect.top(); top <= rect.bottom(); top += band)
            painter.fillRect(QRect(rect.left(), top, rect.width(), std::min(band, rect.bottom() + 1 - top)),
                             color);
    }
}

} // namespace

KTImageLayerStack::KTImageLayerStack(std::function<void()> changed) : m_changed(std::move(changed))
{
    for (auto &scaled : m_scaledLayers)
        scaled = std::make_unique<KTScaledImageCache>(m_changed);
}

KTImageLayerStack::~KTImageLayerStack() = default;

double KTImageLayerStack::missingFileFontSize(const QString &text, double width, double height)
{
    double size = kMissingFileFontSize;
    while (size > kMissingFileSmallestFontSize &&
           QFontMetricsF(missingFileFont(size)).boundingRect(QRectF(0, 0, width, height), 0, text).width() >
               width - 50)
        size -= 1;
    return size;
}

void KTImageLayerStack::setContents(Layer layer, const QImage &contents)
{
    m_layers[int(layer)].contents = contents;
    if (contents.isNull())
        m_scaledLayers[int(layer)]->clear();
    m_changed();
}

void KTImageLayerStack::setHidden(Layer layer, bool hidden)
{
    if (m_layers[int(layer)].hidden == hidden)
        return;
    m_layers[int(layer)].hidden = hidden;
    m_changed();
}

void KTImageLayerStack::setOpacity(Layer layer, double opacity)
{
    m_layers[int(layer)].opacity = opacity;
    m_changed();
}

bool KTImageLayerStack::isPaintingScaledCopy(Layer layer, const QSize &deviceSize) const
{
    return m_scaledLayers[int(layer)]->hasCopyFor(m_layers[int(layer)].contents, deviceSize);
}

void KTImageLayerStack::paint(QPainter &painter, const QRectF &frame, const QSizeF &viewSize,
                              qreal devicePixelRatio, bool animating) const
{
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const qreal ratio = devicePixelRatio;
    if (!frame.isEmpty()) {
        if (!layer(Layer::Shadow).hidden)
            drawShadow(painter, frame, viewSize, ratio);
        // The pictures share the frame: under an opaque one nothing shows, so drawing starts there.
        int first = int(Layer::LowResPreview);
        for (int index = int(Layer::Image); index > first; --index) {
            const LayerState &state = m_layers[index];
            if (!state.hidden && !state.contents.isNull() && state.opacity >= 1 &&
                !state.contents.hasAlphaChannel())
                first = index;
        }
        for (int index = first; index <= int(Layer::FocusMask); ++index) {
            const LayerState &state = m_layers[index];
            if (state.hidden || state.contents.isNull() || state.opacity <= 0)
                continue;
            painter.setOpacity(state.opacity);
            if (state.contents.size() == QSize(1, 1)) {
                painter.fillRect(frame, state.contents.pixelColor(0, 0));
                continue;
            }
            const QImage scaled = m_scaledLayers[index]->scaledImage(
                state.contents, (frame.size() * ratio).toSize(),
                animating ? KTScaledImageCache::Request::Withheld : KTScaledImageCache::Request::Allowed);
            if (scaled.isNull()) {
                painter.drawImage(frame, state.contents);
            } else {
                // Whole device pixels, so the copy is painted as it is, without filtering.
                const QPointF origin(std::round(frame.x() * ratio) / ratio,
                                     std::round(frame.y() * ratio) / ratio);
                painter.drawImage(QRectF(origin, QSizeF(scaled.size()) / ratio), scaled);
            }
        }
        painter.setOpacity(1);
    }
    if (!layer(Layer::Overlay).hidden)
        drawMissingFileMessage(painter, viewSize);
}

void KTImageLayerStack::drawShadow(QPainter &painter, const QRectF &frame, const QSizeF &viewSize,
                                   qreal ratio) const
{
    // A soft shadow 4 points below the image, as rings around it: under an opaque picture the
    // inside is never seen, and filling it would blend the whole frame several times per paint.
    // Only what the view shows of each ring is filled.
    const QRegion image(pixelsOf(frame));
    const QRegion shown(QRect(QPoint(), viewSize.toSize()));
    const QRectF shadow = frame.translated(0, 4);
    for (int spread = 4; spread >= 1; --spread) {
        const QRegion ring =
            (QRegion(pixelsOf(shadow.adjusted(-spread, -spread, spread, spread))) - image) & shown;
        fillThinRegion(painter, ring, QColor(0, 0, 0, 20), ratio);
    }
    // The shadow layer's own grey shows only until a picture covers it.
    const bool covered =
        std::any_of(m_layers.begin() + int(Layer::LowResPreview), m_layers.begin() + int(Layer::Image) + 1,
                    [](const LayerState &state) { return !state.hidden && !state.contents.isNull(); });
    if (!covered)
        painter.fillRect(frame, veilColor());
}

void KTImageLayerStack::drawMissingFileMessage(QPainter &painter, const QSizeF &viewSize) const
{
    painter.fillRect(QRectF(QPointF(), viewSize), veilColor());
    const QString text = QCoreApplication::translate("KTImageView", "Image is deleted or missing");
    const double width = viewSize.width();
    const double height = viewSize.height();
    const QFont font = missingFileFont(missingFileFontSize(text, width, height));
    const double textWidth = QFontMetricsF(font).horizontalAdvance(text);
    // The baseline lies at half the height counted from the bottom.
    const QPointF baseline(std::floor(width / 2 - textWidth / 2), height - std::floor(height / 2));
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(baseline + QPointF(1, 1), text);
    painter.setPen(Qt::white);
    painter.drawText(baseline, text);
}
