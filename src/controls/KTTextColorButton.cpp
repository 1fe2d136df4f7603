#include "KTTextColorButton.h"

#include "KTLocalization.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

KTTextColorButton::KTTextColorButton(QWidget *parent) : KTTextColorButton(QString(), parent) {}

KTTextColorButton::KTTextColorButton(const QString &title, QWidget *parent) : KTControl(parent)
{
    setCursor(Qt::PointingHandCursor);
    setTitle(title);
}

void KTTextColorButton::setTitle(const QString &title)
{
    m_title = ktLocalizedString(title);
    updateGeometry();
    update();
}

void KTTextColorButton::setTextColor(const QColor &color)
{
    if (color == m_textColor)
        return;
    m_textColor = color;
    setTitle(m_title);
}

QSize KTTextColorButton::sizeHint() const
{
    const QSizeF text = QFontMetricsF(font()).size(Qt::TextSingleLine, m_title);
    return {int(std::ceil(text.width())) + 4, int(std::ceil(text.height())) + 4};
}

void KTTextColorButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setOpacity(paintOpacity() * (isDown() ? 0.6 : 1.0));
    QFont textFont = font();
    textFont.setUnderline(isHovered() && acceptsActivation());
    painter.setFont(textFont);
    painter.setPen(m_textColor);
    painter.drawText(rect(), Qt::AlignCenter, m_title);
}
