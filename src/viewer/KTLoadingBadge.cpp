#include "KTLoadingBadge.h"

#include "KTFont.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

KTLoadingBadge::KTLoadingBadge(QWidget *parent)
    : QWidget(parent), m_text(QCoreApplication::translate("KTImageView", "Loading..."))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_font = ktFont(QStringLiteral("Helvetica"), 16);
    const QFontMetricsF metrics(m_font);
    const QSizeF text(std::max(kMinimumTextWidth, metrics.horizontalAdvance(m_text)), metrics.height());
    resize(QSizeF(text.width() + 2 * kPadding, text.height() + 2 * kPadding).toSize());
}

void KTLoadingBadge::place()
{
    const QWidget *view = parentWidget();
    if (!view)
        return;
    move(int(std::round(view->width() / 2.0 - width() / 2.0)),
         int(std::round(view->height() - kBottomOffset - height())));
}

void KTLoadingBadge::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.8));
    painter.drawRoundedRect(QRectF(rect()), 4, 4);
    painter.setFont(m_font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(rect()), Qt::AlignCenter, m_text);
}
