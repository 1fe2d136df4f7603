#include "KTGrouppedImagesBrowserViewCell.h"

#include "KTGrouppedImagesView.h"
#include "KTImageCollectionViewCell.h"
#include "KTImageMO.h"
#include "KTLocalization.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>

#include <cmath>

namespace {

const QPointF kDateTitleOffset(10, 10);
constexpr double kDateTitleHeight = 15.0;
const QPointF kDaySectionOffset(10, 5);
constexpr double kDaySectionHeight = 60.0;
constexpr double kDaySectionTextHeight = 20.0;

QFont boldSystemFont(double size)
{
    QFont font = QApplication::font();
    font.setPixelSize(int(std::lround(size)));
    font.setBold(true);
    return font;
}

} // namespace

KTGrouppedImagesBrowserViewCell::KTGrouppedImagesBrowserViewCell(QWidget *parent)
    : KTGrouppedImagesCellView(parent), m_dateTitleFont(boldSystemFont(kDateTitleHeight)),
      m_daySectionFont(boldSystemFont(kDaySectionTextHeight))
{}

double KTGrouppedImagesBrowserViewCell::additionalOffsetFor(bool showDateTitle, bool showDaySection)
{
    return (showDateTitle ? kDateTitleOffset.y() + kDateTitleHeight : 0) +
           (showDaySection ? kDaySectionOffset.y() + kDaySectionHeight : 0);
}

KTGroupRowLayout KTGrouppedImagesBrowserViewCell::browserLayout(bool showDateTitle, bool showDaySection)
{
    KTGroupRowLayout layout = defaultLayout();
    layout.additionalOffset = additionalOffsetFor(showDateTitle, showDaySection);
    return layout;
}

void KTGrouppedImagesBrowserViewCell::setShowDateTitle(bool show)
{
    m_showDateTitle = show;
    updateLayout();
}

void KTGrouppedImagesBrowserViewCell::setShowDaySection(bool show)
{
    m_showDaySection = show;
    updateLayout();
}

void KTGrouppedImagesBrowserViewCell::updateLayout()
{
    setRowLayout(browserLayout(m_showDateTitle, m_showDaySection));
}

void KTGrouppedImagesBrowserViewCell::setSelectedCellsIndexes(const std::set<qsizetype> &indexes,
                                                              std::optional<qsizetype> active)
{
    m_selectedCellsIndexes = indexes;
    m_activeCellIndex = active;
    adjustSelection();
}

void KTGrouppedImagesBrowserViewCell::adjustSelection()
{
    enumerateVisibleCellsUsingBlock([this](KTImageCollectionViewCell *cell, bool &) {
        const qsizetype index = qsizetype(cell->index());
        cell->setIsSelected(m_selectedCellsIndexes.count(index) > 0);
        cell->setIsActive(m_activeCellIndex == index);
    });
}

KTImageCollectionViewCell *KTGrouppedImagesBrowserViewCell::cellAtIndex(qsizetype index)
{
    KTImageCollectionViewCell *cell = KTGrouppedImagesCellView::cellAtIndex(index);
    if (cell) {
        cell->setIsSelected(m_selectedCellsIndexes.count(index) > 0);
        cell->setIsActive(m_activeCellIndex == index);
        cell->setShowsTrashStatus(m_showsRejectedStatus);
    }
    return cell;
}

unsigned KTGrouppedImagesBrowserViewCell::cellTypeForIndex(qsizetype index) const
{
    return KTGrouppedImagesCellView::cellTypeForIndex(index) | KTImageCollectionViewCell::SelectableList |
           KTImageCollectionViewCell::GroupOrBrowserList;
}

void KTGrouppedImagesBrowserViewCell::onTrashClicked(KTImageCollectionViewCell *cell)
{
    if (auto *browser = dynamic_cast<KTImageCollectionViewCellDelegate *>(dataSource()))
        browser->onTrashClicked(cell);
}

void KTGrouppedImagesBrowserViewCell::onFlagClicked(KTImageCollectionViewCell *cell)
{
    if (auto *browser = dynamic_cast<KTImageCollectionViewCellDelegate *>(dataSource()))
        browser->onFlagClicked(cell);
}

QString KTGrouppedImagesBrowserViewCell::dateTitle() const
{
    const KTImageMO *first = images().value(0);
    if (!first || !first->timeStamp().isValid())
        return ktLocalizedString(QStringLiteral("No Capture Time"));
    return QLocale().toString(first->timeStamp().toLocalTime(), QLocale::ShortFormat);
}

QString KTGrouppedImagesBrowserViewCell::dayTitle() const
{
    const KTImageMO *first = images().value(0);
    if (!first || !first->timeStamp().isValid())
        return ktLocalizedString(QStringLiteral("No Day"));
    return QLocale().toString(first->timeStamp().toLocalTime().date(), QLocale::LongFormat);
}

void KTGrouppedImagesBrowserViewCell::drawInRect(QPainter &painter, const QRectF &dirty)
{
    KTGrouppedImagesCellView::drawInRect(painter, dirty);
    // Measured from the row's top edge: the band first, then the title below it.
    const double bandRoom = m_showDaySection ? kDaySectionOffset.y() + kDaySectionHeight : 0;
    if (m_showDateTitle) {
        const QFontMetricsF metrics(m_dateTitleFont);
        const double lineBottom = kDateTitleOffset.y() + kDateTitleHeight + bandRoom;
        painter.setFont(m_dateTitleFont);
        painter.setPen(Qt::white);
        painter.drawText(
            QRectF(kDateTitleOffset.x(), lineBottom - metrics.height(), width(), metrics.height()),
            Qt::AlignLeft | Qt::AlignBottom, dateTitle());
    }
    if (m_showDaySection) {
        const double y1 = kDaySectionOffset.y() - 0.5;
        const double y2 = y1 + kDaySectionHeight;
        painter.setPen(QPen(Qt::black, 1.0));
        painter.drawLine(QPointF(0, y1), QPointF(width(), y1));
        painter.drawLine(QPointF(0, y2), QPointF(width(), y2));
        const QFontMetricsF metrics(m_daySectionFont);
        const double lineBottom =
            kDaySectionOffset.y() + std::floor(kDaySectionHeight / 2 + kDaySectionTextHeight / 2);
        painter.setFont(m_daySectionFont);
        painter.setPen(Qt::white);
        painter.drawText(
            QRectF(kDaySectionOffset.x(), lineBottom - metrics.height(), width(), metrics.height()),
            Qt::AlignLeft | Qt::AlignBottom, dayTitle());
    }
}
