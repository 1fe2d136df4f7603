#include "KTInfoTextField.h"

#include "KTColor.h"
#include "KTFont.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

KTInfoTextField::KTInfoTextField(QWidget *parent)
    : QWidget(parent), m_font(ktSmallFont()), m_color(KTPalette::kSecondaryText)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void KTInfoTextField::setStringValue(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    updateGeometry();
    update();
}

void KTInfoTextField::setFont(const QFont &font)
{
    m_font = font;
    update();
}

void KTInfoTextField::setTextColor(const QColor &color)
{
    m_color = color;
    update();
}

void KTInfoTextField::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

double KTInfoTextField::textWidth() const
{
    return m_text.isEmpty() ? 0 : std::ceil(QFontMetricsF(m_font).horizontalAdvance(m_text));
}

double KTInfoTextField::fittingWidth() const
{
    return textWidth() + 2 * kInset;
}

bool KTInfoTextField::isTruncated() const
{
    return textWidth() > width() - 2 * kInset;
}

QString KTInfoTextField::shownText() const
{
    return QFontMetricsF(m_font).elidedText(m_text, Qt::ElideMiddle, std::max(0.0, width() - 2 * kInset));
}

QSize KTInfoTextField::sizeHint() const
{
    return QSize(int(std::ceil(fittingWidth())), int(std::ceil(QFontMetricsF(m_font).height())) + 2);
}

QSize KTInfoTextField::minimumSizeHint() const
{
    return QSize(0, sizeHint().height());
}

void KTInfoTextField::paintEvent(QPaintEvent *)
{
    if (m_text.isEmpty())
        return;
    QPainter painter(this);
    painter.setFont(m_font);
    painter.setPen(m_color);
    const QRectF area = QRectF(rect()).adjusted(kInset, 0, -kInset, 0);
    painter.drawText(area, int(m_alignment | Qt::AlignVCenter), shownText());
}
