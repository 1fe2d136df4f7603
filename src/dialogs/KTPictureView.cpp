#include "KTPictureView.h"

#include "KTAnimations.h"
#include "KTNamedImages.h"

#include <QPainter>
#include <QVariantAnimation>

KTPictureView::KTPictureView(QWidget *parent) : KTDrawView(parent) {}

KTPictureView::~KTPictureView() = default;

void KTPictureView::setImageName(const QString &name, Transition transition)
{
    if (name == m_imageName)
        return;
    if (m_fade)
        m_fade->stop();
    m_previousImageName = transition == Transition::CrossFade ? m_imageName : QString();
    m_imageName = name;
    m_progress = m_previousImageName.isEmpty() ? 1.0 : 0.0;
    if (!m_previousImageName.isEmpty()) {
        if (!m_fade) {
            m_fade = new QVariantAnimation(this);
            m_fade->setStartValue(0.0);
            m_fade->setEndValue(1.0);
            connect(m_fade, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
                m_progress = value.toDouble();
                update();
            });
            connect(m_fade, &QVariantAnimation::finished, this, [this] {
                m_previousImageName.clear();
                m_progress = 1.0;
                update();
            });
        }
        KTAnimations::start(m_fade, kCrossFadeDuration);
    }
    update();
}

bool KTPictureView::isFading() const
{
    return m_fade && m_fade->state() == QAbstractAnimation::Running;
}

void KTPictureView::drawInRect(QPainter &painter, const QRectF &)
{
    if (!m_previousImageName.isEmpty())
        drawPicture(painter, m_previousImageName, 1.0 - m_progress);
    drawPicture(painter, m_imageName, m_progress);
}

void KTPictureView::drawPicture(QPainter &painter, const QString &name, double opacity) const
{
    const KTNamedImages &images = KTNamedImages::shared();
    const QSizeF natural = images.naturalSize(name);
    if (natural.isEmpty() || opacity <= 0.0)
        return;
    // Whole logical pixels, so the picture lands on the pixel grid and stays crisp.
    const QSize fitted = natural.scaled(QSizeF(size()), Qt::KeepAspectRatio).toSize();
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    const QImage picture = images.image(name, QSizeF(fitted), devicePixelRatioF());
    painter.setOpacity(opacity);
    painter.drawImage(target.topLeft(), picture);
    painter.setOpacity(1.0);
}
