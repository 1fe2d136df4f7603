#include "KTImageGroupNavigationView.h"

#include "KTAbstractButton.h"
#include "KTEntitiesManager.h"
#include "KTGridServices.h"
#include "KTImageCollectionViewCell.h"
#include "KTImageMO.h"
#include "KTLocalization.h"
#include "KTThumbnailEntity.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QTransform>

#include <cmath>

KTImageGroupNavigationView::KTImageGroupNavigationView(QWidget *parent) : KTImageNavigationView(parent) {}

KTImageGroupNavigationView::~KTImageGroupNavigationView()
{
    KTEntitiesManager &entities = KTGridServices::entitiesManager();
    entities.cancelCallbackWithID(m_prevFaceRequest);
    entities.cancelCallbackWithID(m_nextFaceRequest);
}

void KTImageGroupNavigationView::setPreviousGroupButton(KTAbstractButton *button)
{
    m_previousGroupButton = button;
    updatePrevButton();
}

void KTImageGroupNavigationView::setNextGroupButton(KTAbstractButton *button)
{
    m_nextGroupButton = button;
    updateNextButton();
}

void KTImageGroupNavigationView::setPrevGroupImage(KTImageMO *record)
{
    m_prevGroupImage = record;
    updatePrevButton();
}

void KTImageGroupNavigationView::setNextGroupImage(KTImageMO *record)
{
    m_nextGroupImage = record;
    updateNextButton();
}

void KTImageGroupNavigationView::updatePrevButton()
{
    if (m_previousGroupButton)
        updateButton(m_previousGroupButton, m_prevGroupImage,
                     ktLocalizedString(QStringLiteral("PREVIOUS GROUP")));
}

void KTImageGroupNavigationView::updateNextButton()
{
    if (m_nextGroupButton)
        updateButton(m_nextGroupButton, m_nextGroupImage, ktLocalizedString(QStringLiteral("NEXT GROUP")));
}

void KTImageGroupNavigationView::updateButton(KTAbstractButton *button, KTImageMO *record,
                                              const QString &title)
{
    std::optional<KTEntitiesManagerCallbackID> &request =
        button == m_previousGroupButton ? m_prevFaceRequest : m_nextFaceRequest;
    KTEntitiesManager &entities = KTGridServices::entitiesManager();
    entities.cancelCallbackWithID(request);
    request.reset();
    button->setButtonEnabled(record != nullptr);
    updateButton(button, QImage(), title);
    if (!record || record->path().isEmpty())
        return;
    request = entities.obtainEntityOfClass<KTThumbnailEntity>(
        record->uuid(), record->path(), {{kThumbnailSizeKey, kMinThumbnailSize}},
        [button = QPointer<KTAbstractButton>(button),
         title](const std::shared_ptr<KTThumbnailEntity> &entity) {
            if (button && entity)
                updateButton(button, entity->image(), title);
        });
}

QTransform KTImageGroupNavigationView::transformForRotateByRadians(double angle, const QPointF &point)
{
    QTransform rotation;
    rotation.rotateRadians(angle);
    const QPointF moved = rotation.map(point);
    return rotation * QTransform::fromTranslate(point.x() - moved.x(), point.y() - moved.y());
}

void KTImageGroupNavigationView::updateButton(KTAbstractButton *button, const QImage &picture,
                                              const QString &title)
{
    const QSizeF size = button->size();
    if (size.isEmpty())
        return;
    const qreal ratio = button->devicePixelRatioF();
    QImage face((size * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    face.setDevicePixelRatio(ratio);
    face.fill(Qt::transparent);
    QPainter painter(&face);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // The face is described with y up; painting happens in a flipped frame and the title is
    // drawn upright by undoing the flip around it.
    painter.translate(0, size.height());
    painter.scale(1, -1);

    const QFont font = button->font();
    const QFontMetricsF metrics(font);
    const double titleHeight = metrics.height();
    QRectF area(0, titleHeight - 6, size.width(), size.height() - (titleHeight - 6));
    const double side = std::min(area.width(), area.height());
    area =
        QRectF(area.center().x() - side / 2, area.center().y() - side / 2, side, side).adjusted(2, 4, -2, -4);

    QSizeF card =
        picture.isNull() ? QSizeF(area.width(), 0.6 * area.height()) : picture.deviceIndependentSize();
    const double tilt = 0.1;
    const double across = card.width() * std::cos(tilt) + card.height() * std::sin(tilt);
    const double high = card.width() * std::sin(tilt) + card.height() * std::cos(tilt);
    if (across > 0 && high > 0)
        card *= std::min(area.width() / across, area.height() / high);
    const QRectF cardRect(area.center() - QPointF(card.width() / 2, card.height() / 2), card);

    const auto drawCard = [&](double angle, const QColor &color) {
        const QTransform rotation = transformForRotateByRadians(angle, area.center());
        QPainterPath path;
        path.addRect(cardRect);
        path = rotation.map(path);
        painter.fillPath(path.translated(1, -1), QColor(0, 0, 0, 110));
        painter.fillPath(path, color);
    };
    drawCard(-0.2, QColor(92, 97, 98));
    drawCard(-0.1, QColor(145, 145, 145));
    painter.fillRect(cardRect.translated(1, -1), QColor(0, 0, 0, 110));
    if (picture.isNull()) {
        painter.fillRect(cardRect, QColor(128, 128, 128));
    } else {
        painter.save();
        // Upright: flip the picture back inside its card.
        painter.translate(0, cardRect.top() + cardRect.bottom());
        painter.scale(1, -1);
        painter.drawImage(cardRect, picture);
        painter.restore();
    }

    painter.resetTransform();
    painter.setFont(font);
    painter.setPen(QColor(177, 158, 133));
    painter.drawText(QRectF(0, size.height() - titleHeight, size.width(), titleHeight),
                     Qt::AlignHCenter | Qt::AlignBottom, title);
    painter.end();

    QImage pressed = face;
    QPainter darken(&pressed);
    darken.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    darken.fillRect(QRectF(QPointF(), size), QColor(0, 0, 0, 77));
    darken.end();
    button->setPictogramPosition(KTAbstractButton::PictogramCentered);
    button->setPictogram(face);
    button->setPushedPictogram(pressed);
}

double KTImageGroupNavigationView::buttonRoom(const KTAbstractButton *button) const
{
    return button ? button->width() + intercellSpace().width() + m_interButtonsSpace : 0;
}

void KTImageGroupNavigationView::adjustSize()
{
    KTImageNavigationView::adjustSize();
    KTGridGeometry &geometry = mutableGridGeometry();
    geometry.docSize.rwidth() += buttonRoom(m_nextGroupButton) + buttonRoom(m_previousGroupButton);
    geometry.viewSize.setWidth(std::max(geometry.visibleWidth, geometry.docSize.width()));
    m_firstCellOffset = 0;
    if (geometry.viewSize.width() > geometry.docSize.width())
        m_firstCellOffset = std::floor((geometry.viewSize.width() - geometry.docSize.width()) / 2);
}

QRectF KTImageGroupNavigationView::frameForCellAtIndex(qsizetype index) const
{
    const KTGridGeometry &geometry = this->gridGeometry();
    if (index < 0 || geometry.numberOfColumns <= 0)
        return {};
    const double side = geometry.cellSize;
    const double x = geometry.leftMargin + m_firstCellOffset + geometry.horizontalSpace / 2 +
                     double(index) * (side + geometry.horizontalSpace) + buttonRoom(m_previousGroupButton);
    const double y = height() - geometry.topMargin - geometry.verticalSpace / 2 - side;
    return {x, y, side, side};
}

std::vector<qsizetype> KTImageGroupNavigationView::indexesOfCellsThatIntersectRect(const QRectF &rect) const
{
    std::vector<qsizetype> indexes;
    const KTGridGeometry &geometry = this->gridGeometry();
    const double side = geometry.cellSize;
    const qsizetype count = geometry.numberOfCells;
    if (!(side > 0) || count <= 0)
        return indexes;
    const double pitch = side + geometry.horizontalSpace;
    double start;
    if (m_previousGroupButton) {
        const QRect button = m_previousGroupButton->geometry();
        start = rect.x() - (button.x() + button.width()) - geometry.horizontalSpace - side -
                m_interButtonsSpace / 2;
    } else {
        start = rect.x() - m_firstCellOffset - geometry.leftMargin - geometry.horizontalSpace - side;
    }
    start = std::max(start, 0.0);
    qsizetype first = qsizetype(start / pitch);
    if (start > double(first) * pitch)
        ++first;
    const qsizetype last = std::min(qsizetype((start + side + rect.width()) / pitch), count - 1);
    for (qsizetype index = first; index <= last; ++index)
        indexes.push_back(index);
    return indexes;
}

unsigned KTImageGroupNavigationView::cellTypeForIndex(qsizetype index) const
{
    return KTImageNavigationView::cellTypeForIndex(index) | KTImageCollectionViewCell::SelectableList |
           (isCompareMode() ? unsigned(KTImageCollectionViewCell::CompareColors) : 0u);
}

void KTImageGroupNavigationView::layoutCellsInNewVisibleRect(const QRectF &rect)
{
    layoutNextPreviousButtons();
    KTImageNavigationView::layoutCellsInNewVisibleRect(rect);
}

void KTImageGroupNavigationView::layoutNextPreviousButtons()
{
    if (numberOfCells() == 0)
        return;
    const KTGridGeometry &geometry = this->gridGeometry();
    const double middle = height() / 2.0;
    if (KTAbstractButton *previous = m_previousGroupButton) {
        if (previous->parentWidget() != this)
            previous->setParent(this);
        const double x =
            m_firstCellOffset + geometry.leftMargin + geometry.horizontalSpace / 2 + m_interButtonsSpace / 2;
        previous->move(int(std::lround(x)), int(std::lround(middle - previous->height() / 2.0)));
        previous->show();
    }
    if (KTAbstractButton *next = m_nextGroupButton) {
        if (next->parentWidget() != this)
            next->setParent(this);
        const QRectF last = frameForCellAtIndex(numberOfCells() - 1);
        const double x = last.right() + geometry.horizontalSpace + m_interButtonsSpace / 2;
        next->move(int(std::lround(x)), int(std::lround(middle - next->height() / 2.0)));
        next->show();
    }
}
