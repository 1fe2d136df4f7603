#include "KTScreenMainWindow.h"

#include "KTAbstractButton.h"
#include "KTColor.h"
#include "KTImageMO.h"
#include "KTNamedImages.h"
#include "KTScreenRegistry.h"
#include "KTScreenSession.h"
#include "KTWindow.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>

/// The photos of the generated session, scaled to fit `size` (grey stand-ins without a session).
QList<QImage> photos(KTScreenContext &context, int count, const QSize &size)
{
    QList<QImage> result;
    if (context.session()) {
        for (KTImageMO *image : context.session()->images()) {
            if (result.size() == count)
                break;
            QImageReader reader(image->path());
            reader.setAutoTransform(true);
            const QSize scaled = reader.size().scaled(size * context.devicePixelRatio(), Qt::KeepAspectRatio);
            reader.setScaledSize(scaled);
            QImage photo = reader.read();
            if (photo.isNull())
                continue;
            photo.setDevicePixelRatio(context.devicePixelRatio());
            result.append(photo);
        }
    }
    while (result.size() < count) {
        QImage grey(size * context.devicePixelRatio(), QImage::Format_RGB32);
        grey.setDevicePixelRatio(context.devicePixelRatio());
        grey.fill(QColor(70 + 10 * (result.size() % 4), 70, 70));
        result.append(grey);
    }
    return result;
}

namespace {

/// A grid of thumbnails standing in for a review mode's content.
class ThumbnailWall : public QWidget
{
public:
    ThumbnailWall(QList<QImage> thumbnails, QWidget *parent)
        : QWidget(parent), m_thumbnails(std::move(thumbnails))
    {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), KTPalette::kPanel);
        const int cell = 132;
        const int columns = std::max(1, (width() - 16) / cell);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        for (int i = 0; i < m_thumbnails.size(); ++i) {
            const QRect slot(16 + (i % columns) * cell, 16 + (i / columns) * cell, cell - 12, cell - 12);
            if (slot.top() > height())
                break;
            painter.fillRect(slot, KTPalette::kRaised);
            const QSizeF image = m_thumbnails[i].deviceIndependentSize().scaled(
                QSizeF(slot.size()) - QSizeF(10, 10), Qt::KeepAspectRatio);
            const QRectF target(QPointF(slot.center()) - QPointF(image.width() / 2, image.height() / 2),
                                image);
            painter.drawImage(target, m_thumbnails[i]);
        }
    }

private:
    QList<QImage> m_thumbnails;
};

/// A stand-in toolbar for the title strip: mode buttons in the middle, a share button at the right.
QWidget *toolbar(QWidget *strip)
{
    auto *bar = new QWidget(strip);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(16, 0, 16, 0);
    row->setSpacing(4);
    row->addStretch(1);
    const QStringList modes{"Timeline", "Similar", "Picks", "Rejects"};
    for (const QString &mode : modes) {
        auto *button = new KTAbstractButton(mode, bar);
        button->setFixedSize(button->sizeHint().width() + 8, 24);
        button->setPushed(mode == QLatin1String("Similar"));
        row->addWidget(button);
    }
    row->addStretch(1);
    auto *share = new KTAbstractButton(bar);
    share->setNormalStateThreeImageName(QStringLiteral("round_btn"));
    share->setPushedStateThreeImageName(QStringLiteral("round_btn_on"));
    share->setPictogramPosition(KTAbstractButton::PictogramCentered);
    share->setPictogramName(QStringLiteral("share"));
    share->setFixedSize(share->sizeHint());
    row->addWidget(share);
    auto *layout = new QVBoxLayout(strip);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    return bar;
}

} // namespace

QWidget *thumbnailWall(QList<QImage> thumbnails, QWidget *parent)
{
    return new ThumbnailWall(std::move(thumbnails), parent);
}

// The main window's look is its drawing block with the picture "toolbar_top", clipped to the
// outline.
void dressMainWindow(KTWindow &window, KTScreenContext &context, const QSize &size, StripLook look)
{
    window.setWindowTitle(QStringLiteral("Vireoscope"));
    if (look == StripLook::MainWindow) {
        window.setTitleBarDrawingBlock(
            [](QPainter &painter, bool, const QRectF &rect, const QPainterPath &clip) {
                painter.setClipPath(clip, Qt::IntersectClip);
                const qreal ratio = painter.device()->devicePixelRatioF();
                painter.drawImage(
                    rect, KTNamedImages::shared().image(QStringLiteral("toolbar_top"), rect.size(), ratio));
            });
    }
    toolbar(window.titleBarView());
    window.setContentView(thumbnailWall(photos(context, 24, QSize(120, 120)), nullptr));
    window.resize(size);
}

QImage captureWithWindowsOver(QWidget &window, const QList<QWidget *> &over)
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    QImage picture = window.grab().toImage();
    QPainter painter(&picture);
    for (QWidget *child : over)
        painter.drawImage(QPointF(child->pos() - window.geometry().topLeft()), child->grab().toImage());
    painter.end();
    return picture;
}
