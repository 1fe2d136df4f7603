#include "KTDrawView.h"

#include "KTViewAdditions.h"

#include <QHideEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QShowEvent>

KTDrawView::KTDrawView(QWidget *parent) : QWidget(parent) {}

void KTDrawView::drawInRect(QPainter &, const QRectF &) {}

void KTDrawView::viewDidHide() {}

void KTDrawView::viewDidUnhide() {}

void KTDrawView::paintEvent(QPaintEvent *event)
{
    if (isHiddenOrHasHiddenAncestor(this))
        return;
    // Qt clips the painter to the region being painted already.
    QPainter painter(this);
    drawInRect(painter, QRectF(event->rect()));
}

void KTDrawView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        viewDidUnhide();
}

void KTDrawView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        viewDidHide();
}
