#include "KTInfoTextField.h"

#include "KTColor.h"
#include "KTFont.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
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

void KTInfoTextField::setElision(Elision elision)
{
    m_elision = elision;
    update();
}

QString KTInfoTextField::elidedText(const QString &text, Elision elision, const QFontMetricsF &metrics,
                                    double width)
{
    if (elision == Elision::KeepingTheStart)
        return metrics.elidedText(text, Qt::ElideRight, width);
    if (elision == Elision::Middle || metrics.horizontalAdvance(text) <= width)
        return metrics.elidedText(text, Qt::ElideMiddle, width);
    // Two thirds of the room go to the end, the rest to the start; the end holds at least the
    // extension and the character before it, where a frame counter ends.
    const QString ellipsis(QChar(0x2026));
    const double room = width - metrics.horizontalAdvance(ellipsis);
    if (room <= 0)
        return metrics.elidedText(text, Qt::ElideMiddle, width);
    const qsizetype dot = text.lastIndexOf(QLatin1Char('.'));
    const bool hasExtension = dot > 0 && text.size() - dot <= 6;
    const double endRoom = std::min(
        room, std::max(room * 2 / 3, hasExtension ? metrics.horizontalAdvance(text.mid(dot - 1)) : 0.0));
    qsizetype tail = 0;
    while (tail < text.size() && metrics.horizontalAdvance(text.right(tail + 1)) <= endRoom)
        ++tail;
    const double tailWidth = metrics.horizontalAdvance(text.right(tail));
    qsizetype head = 0;
    while (head + tail < text.size() && metrics.horizontalAdvance(text.left(head + 1)) <= room - tailWidth)
        ++head;
    return text.left(head) + ellipsis + text.right(tail);
}

bool KTInfoTextField::event(QEvent *event)
{
    // A field with a tool tip (a shortened name) takes the hover that shows it; presses still
    // reach the view under it, as the field ignores them.
    if (event->type() == QEvent::ToolTipChange)
        setAttribute(Qt::WA_TransparentForMouseEvents, toolTip().isEmpty());
    return QWidget::event(event);
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
    return elidedText(m_text, m_elision, QFontMetricsF(m_font), std::max(0.0, width() - 2 * kInset));
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
