#include "KTImageCollectionViewCellNumberField.h"

#include "KTColor.h"
#include "KTFont.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {

constexpr double kPadding = 3;

const QFont &numberFont()
{
    static const QFont font = ktSmallFont();
    return font;
}

const QFontMetricsF &numberMetrics()
{
    static const QFontMetricsF metrics(numberFont());
    return metrics;
}

} // namespace

KTImageCollectionViewCellNumberField::KTImageCollectionViewCellNumberField(QWidget *parent)
    : KTDrawView(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void KTImageCollectionViewCellNumberField::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    m_staticText.setText(text);
    m_staticText.prepare(QTransform(), numberFont());
    resize(int(std::ceil(numberMetrics().horizontalAdvance(text) + 2 * kPadding)),
           int(std::ceil(numberMetrics().height())));
    update();
}

void KTImageCollectionViewCellNumberField::drawInRect(QPainter &painter, const QRectF &)
{
    painter.fillRect(rect(), QColor(0, 0, 0, 150));
    painter.setFont(numberFont());
    painter.setPen(KTPalette::kSecondaryText);
    const QSizeF size = m_staticText.size();
    painter.drawStaticText(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2),
                           m_staticText);
}
