#include "KTAbstractScroller.h"

#include <QApplication>
#include <QStyle>

namespace {
QString s_imagesName;
}

KTAbstractScroller::KTAbstractScroller(Qt::Orientation orientation, QWidget *parent)
    : QScrollBar(orientation, parent)
{}

void KTAbstractScroller::setDefaultScrollerImagesName(const QString &name)
{
    s_imagesName = name;
}

QString KTAbstractScroller::defaultScrollerImagesName()
{
    return s_imagesName;
}

double KTAbstractScroller::defaultScrollerWidth()
{
    return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}
