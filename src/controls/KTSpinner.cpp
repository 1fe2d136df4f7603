#include "KTSpinner.h"

#include "KTNamedImages.h"

#include <QPainter>

#include <cmath>

KTSpinner::KTSpinner(QWidget *parent) : KTDrawView(parent)
{
    for (int index = 0; index < kFrameCount; ++index)
        Q_ASSERT_X(KTNamedImages::shared().contains(frameName(index)), "KTSpinner", "nil != image");
    m_timer.setInterval(1000 / kFrameCount);
    connect(&m_timer, &QTimer::timeout, this, &KTSpinner::showNextFrame);
}

QString KTSpinner::frameName(int index)
{
    return QStringLiteral("spinner%1").arg(index, 2, 10, QLatin1Char('0'));
}

void KTSpinner::showNextFrame()
{
    m_frame = (m_frame + 1) % kFrameCount;
    update();
}

QSize KTSpinner::sizeHint() const
{
    return KTNamedImages::shared().naturalSize(frameName(kFrameCount - 1)).toSize();
}

void KTSpinner::drawInRect(QPainter &painter, const QRectF &)
{
    const QImage frame = KTNamedImages::shared().image(frameName(m_frame), devicePixelRatioF());
    if (frame.isNull())
        return;
    const QSizeF size = frame.deviceIndependentSize();
    painter.drawImage(
        QPointF(std::round((width() - size.width()) * 0.5), std::round((height() - size.height()) * 0.5)),
        frame);
}

void KTSpinner::viewDidHide()
{
    KTDrawView::viewDidHide();
    m_timer.stop();
}

void KTSpinner::viewDidUnhide()
{
    KTDrawView::viewDidUnhide();
    m_timer.start();
}
