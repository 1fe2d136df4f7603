#include "KTTitlebarView.h"

#include "KTWindow.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cstdlib>

namespace {

/// The noise texture, made once per process: 124 x 124 grey values from the C library's
/// generator seeded with 120 (the reentrant form, so no one else's sequence is disturbed).
const QImage &noiseImage()
{
    static const QImage noise = [] {
        QImage image(124, 124, QImage::Format_Grayscale8);
        unsigned seed = 120;
        for (int y = 0; y < image.height(); ++y) {
            uchar *row = image.scanLine(y);
            for (int x = 0; x < image.width(); ++x)
                row[x] = uchar(rand_r(&seed) & 0xff);
        }
        return image;
    }();
    return noise;
}

QColor white(double level, double alpha = 1.0)
{
    return QColor::fromRgbF(float(level), float(level), float(level), float(alpha));
}

} // namespace

KTTitlebarView::KTTitlebarView(QWidget *parent) : KTDrawView(parent) {}

void KTTitlebarView::drawNoiseWithOpacity(QPainter &painter, double opacity) const
{
    painter.save();
    painter.setOpacity(opacity);
    painter.setCompositionMode(QPainter::CompositionMode_Screen);
    // At the device pixel ratio, one texture pixel covers one device pixel.
    QPixmap tile = QPixmap::fromImage(noiseImage());
    tile.setDevicePixelRatio(devicePixelRatioF());
    painter.drawTiledPixmap(QRectF(rect()), tile);
    painter.restore();
}

void KTTitlebarView::drawInRect(QPainter &painter, const QRectF &)
{
    auto *window = qobject_cast<KTWindow *>(this->window());
    const bool active = window ? window->isActiveLook() : this->window()->isActiveWindow();
    const QRectF bounds(rect());
    if (window && window->titleBarDrawingBlock()) {
        painter.save();
        window->titleBarDrawingBlock()(painter, active, bounds, KTWindow::titleBarClipPath(bounds));
        painter.restore();
        return;
    }
    drawDefaultBar(painter, active, this->window()->isFullScreen(),
                   !window || window->showsBaselineSeparator());
}

void KTTitlebarView::drawDefaultBar(QPainter &painter, bool active, bool fullScreen, bool separator)
{
    const QRectF bounds(rect());
    const double w = bounds.width();
    const double h = bounds.height();
    const QColor bottom = active ? white(0.66) : white(0.878);
    const QColor top = active ? white(0.9) : white(0.976);
    if (fullScreen)
        painter.fillRect(bounds, Qt::black);

    painter.save();
    // The gradient leaves the top pixel row out, as the outline is built over the height less one.
    painter.setClipPath(KTWindow::titleBarClipPath(QRectF(0, 1, w, h - 1)), Qt::IntersectClip);
    QLinearGradient gradient(w * 0.5, h, w * 0.5, 0);
    gradient.setColorAt(0, bottom);
    gradient.setColorAt(1, top);
    painter.fillRect(bounds, gradient);

    if (separator) {
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(QRectF(0, h - 1, w, 1), active ? white(0.408) : white(0.655));
        painter.restore();
        painter.fillRect(QRectF(0, h - 2, w, 1), white(1.0, 0.12));
    }
    if (active) {
        painter.setClipPath(KTWindow::titleBarClipPath(bounds.adjusted(1, 1, -1, -1)), Qt::IntersectClip);
        drawNoiseWithOpacity(painter, 0.1);
    }
    painter.restore();
}

void KTTitlebarView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QWidget *target = window();
    if (event->button() != Qt::LeftButton || target->isFullScreen()) {
        KTDrawView::mouseDoubleClickEvent(event);
        return;
    }
    event->accept();
    if (target->isMaximized())
        target->showNormal();
    else
        target->showMaximized();
}
