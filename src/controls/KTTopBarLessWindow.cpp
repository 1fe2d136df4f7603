#include "KTTopBarLessWindow.h"

#include "KTColor.h"

#include <QPainter>

KTTopBarLessWindow::KTTopBarLessWindow(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setModal(true);
}

void KTTopBarLessWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), KTPalette::kWindow);
    painter.setPen(KTPalette::kLine);
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}
