#include "KTTableRowView.h"

#include "KTAbstractButton.h"
#include "KTColor.h"

#include "KTNotificationCenter.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr int kButtonSize = 16;
constexpr int kButtonMargin = 8;

} // namespace

KTTableRowView::KTTableRowView(QWidget *parent)
    : QWidget(parent), m_deleteSourceButton(new KTAbstractButton(this))
{
    m_deleteSourceButton->setNormalStateImageWithImageNames({}, {}, {});
    m_deleteSourceButton->setPushedStateImageWithImageNames({}, {}, {});
    m_deleteSourceButton->setPictogramPosition(KTAbstractButton::PictogramCentered);
    m_deleteSourceButton->setPictogramName(QStringLiteral("delete_source"));
    m_deleteSourceButton->setPushedPictogramName(QStringLiteral("delete_source_on"));
    m_deleteSourceButton->setBehavior(KTAbstractButton::Momentary);
    m_deleteSourceButton->setFixedSize(kButtonSize, kButtonSize);
    m_deleteSourceButton->setAccessibleName(tr("Remove Source"));
    m_deleteSourceButton->setToolTip(tr("Remove Source"));
    m_deleteSourceButton->hide();
    connect(m_deleteSourceButton, &KTControl::clicked, this, &KTTableRowView::onDeleteImageSource);
    setContentsMargins(0, 0, kButtonSize + 2 * kButtonMargin, 0);
}

void KTTableRowView::setSelected(bool selected)
{
    m_selected = selected;
    m_deleteSourceButton->setVisible(selected);
    if (selected)
        m_deleteSourceButton->raise();
    update();
}

void KTTableRowView::drawSelectionFrame(QPainter &painter, const QRectF &frame)
{
    if (frame.isEmpty())
        return;
    const QRectF inner = frame.adjusted(kFrameWidth, kFrameWidth, -kFrameWidth, -kFrameWidth);
    QPainterPath border;
    border.setFillRule(Qt::OddEvenFill);
    border.addRect(frame);
    border.addRect(inner);
    painter.fillPath(border, ktColor(255, 162, 0));
    if (!inner.isEmpty())
        painter.fillRect(inner, QColor(0, 0, 0, int(std::lround(0.3 * 255))));
}

void KTTableRowView::onDeleteImageSource()
{
    KTNotificationCenter::defaultCenter().post(QString::fromLatin1(kDeleteImageSourceNotification),
                                               m_deleteSourceButton);
}

void KTTableRowView::paintEvent(QPaintEvent *)
{
    if (!m_selected)
        return;
    QPainter painter(this);
    drawSelectionFrame(painter, selectionFrameRect());
}

void KTTableRowView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeDeleteButton();
}

void KTTableRowView::placeDeleteButton()
{
    m_deleteSourceButton->move(width() - kButtonMargin - kButtonSize, (height() - kButtonSize) / 2);
}
