#include "KTFont.h"

#include <QApplication>

#include <algorithm>
#include <cmath>

QFont ktFont(const QString &family, double size)
{
    QFont font(family);
    font.setPixelSize(std::max(1, int(std::lround(size))));
    return font;
}

QFont ktBodyFont()
{
    return ktFont(QApplication::font().family(), 13);
}

QFont ktSmallFont()
{
    return ktFont(QApplication::font().family(), 11);
}

QFont ktTitleFont()
{
    QFont font = ktFont(QApplication::font().family(), 15);
    font.setWeight(QFont::DemiBold);
    return font;
}
