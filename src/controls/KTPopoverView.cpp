#include "KTPopoverView.h"

#include "KTColor.h"

#include <QHideEvent>
#include <QPainter>
#include <QPainterPath>

KTPopoverView::KTPopoverView(QWidget *content, QWidget *parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint), m_content(content)
{
    setAttribute(Qt::WA_TranslucentBackground);
    if (content) {
        content->setParent(this);
        content->show();
    }
    layOutContent();
}

KTPopoverView::~KTPopoverView()
{
    releaseContent();
}

void KTPopoverView::setArrowOffset(double offset)
{
    m_arrowOffset = offset;
    update();
}

void KTPopoverView::setArrowEdge(ArrowEdge edge)
{
    m_arrowEdge = edge;
    layOutContent();
    update();
}

QSize KTPopoverView::frameSizeForContent(const QSize &content) const
{
    return {content.width() + 2 * kMargin,
            content.height() + 2 * kMargin + (m_arrowEdge == ArrowNone ? 0 : kArrowHeight)};
}

void KTPopoverView::layOutContent()
{
    if (!m_content)
        return;
    const QSize content = m_content->size().isEmpty() ? m_content->sizeHint() : m_content->size();
    resize(frameSizeForContent(content));
    m_content->setGeometry(kMargin, kMargin + (m_arrowEdge == ArrowTop ? kArrowHeight : 0), content.width(),
                           content.height());
}

void KTPopoverView::releaseContent()
{
    if (!m_content)
        return;
    m_content->hide();
    m_content->setParent(nullptr);
    m_content = nullptr;
}

void KTPopoverView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    releaseContent();
    emit closed();
}

void KTPopoverView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF panel = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (m_arrowEdge == ArrowTop)
        panel.setTop(panel.top() + kArrowHeight);
    else if (m_arrowEdge == ArrowBottom)
        panel.setBottom(panel.bottom() - kArrowHeight);
    QPainterPath path;
    path.addRoundedRect(panel, 6, 6);
    if (m_arrowEdge != ArrowNone) {
        const double x = panel.center().x() + m_arrowOffset;
        QPainterPath arrow;
        const double edge = m_arrowEdge == ArrowTop ? panel.top() : panel.bottom();
        const double tip = m_arrowEdge == ArrowTop ? edge - kArrowHeight : edge + kArrowHeight;
        arrow.moveTo(x - kArrowHeight, edge);
        arrow.lineTo(x, tip);
        arrow.lineTo(x + kArrowHeight, edge);
        arrow.closeSubpath();
        path = path.united(arrow);
    }
    painter.fillPath(path, QColor(40, 40, 40, 248));
    painter.setPen(QPen(KTPalette::kLine, 1.0));
    painter.drawPath(path);
}
