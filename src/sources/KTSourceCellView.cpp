#include "KTSourceCellView.h"

#include "KTColor.h"
#include "KTFont.h"
#include "KTNamedImages.h"

#include <QFontMetricsF>
#include <QPainter>

namespace {

constexpr double kIconLeft = 12;
constexpr double kTextGap = 10;

} // namespace

KTSourceCellView::KTSourceCellView(QWidget *parent) : QWidget(parent)
{
    setFont(ktBodyFont());
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void KTSourceCellView::setText(const QString &text)
{
    m_text = text;
    setToolTip(text);
    setAccessibleName(text);
    update();
}

void KTSourceCellView::setImageName(const QString &name)
{
    m_imageName = name;
    update();
}

QRectF KTSourceCellView::textRect() const
{
    const double left = kIconLeft + kIconSize + kTextGap;
    return QRectF(left, 0, std::max(0.0, width() - left - 4), height());
}

QString KTSourceCellView::displayedText() const
{
    return QFontMetricsF(font()).elidedText(m_text, Qt::ElideMiddle, textRect().width());
}

QSize KTSourceCellView::sizeHint() const
{
    const QFontMetricsF metrics(font());
    return QSize(int(kIconLeft + kIconSize + kTextGap + metrics.horizontalAdvance(m_text) + 4),
                 std::max(kIconSize, int(metrics.height())) + 8);
}

QSize KTSourceCellView::minimumSizeHint() const
{
    return QSize(int(kIconLeft + kIconSize + kTextGap), kIconSize);
}

void KTSourceCellView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QImage icon =
        KTNamedImages::shared().image(m_imageName, QSizeF(kIconSize, kIconSize), devicePixelRatioF());
    if (!icon.isNull())
        painter.drawImage(QPointF(kIconLeft, (height() - kIconSize) / 2.0), icon);
    painter.setPen(KTPalette::kText);
    painter.drawText(textRect(), Qt::AlignVCenter | Qt::AlignLeft, displayedText());
}
