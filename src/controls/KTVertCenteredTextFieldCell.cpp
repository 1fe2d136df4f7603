#include "KTVertCenteredTextFieldCell.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QStyle>
#include <QStyleOptionFrame>

#include <cmath>

namespace {
/// The line edit puts its text line this far below the top of its text rectangle when the
/// text is aligned to the top.
constexpr int kLineEditTopMargin = 1;
} // namespace

KTVertCenteredTextFieldCell::KTVertCenteredTextFieldCell(QWidget *parent) : QLineEdit(parent)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    placeText();
}

QRectF KTVertCenteredTextFieldCell::drawingRectForBounds(const QRectF &bounds, const QRectF &textRect,
                                                         double lineHeight)
{
    return {textRect.x(), std::floor((bounds.height() - lineHeight) * 0.5), textRect.width(),
            textRect.height() + 2.0};
}

QRectF KTVertCenteredTextFieldCell::drawingRectForBounds(const QRectF &bounds) const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    option.rect = bounds.toRect();
    const QRectF textRect(style()->subElementRect(QStyle::SE_LineEditContents, &option, this));
    return drawingRectForBounds(bounds, textRect, QFontMetricsF(font()).lineSpacing());
}

void KTVertCenteredTextFieldCell::placeText()
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect textRect = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    const QRectF centred = drawingRectForBounds(QRectF(rect()));
    const int top = int(centred.y()) - textRect.y() - kLineEditTopMargin;
    const QMargins margins = textMargins();
    if (margins.top() != top)
        setTextMargins(margins.left(), top, margins.right(), 0);
}

void KTVertCenteredTextFieldCell::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    placeText();
}

void KTVertCenteredTextFieldCell::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        placeText();
}
