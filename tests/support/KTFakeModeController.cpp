#include "KTFakeModeController.h"

#include "KTAbstractButton.h"
#include "KTButton.h"
#include "KTCatalogModel.h"
#include "KTColor.h"
#include "KTFilteredImageLists.h"
#include "KTFont.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTKeyEquivalent.h"
#include "KTPredicate.h"
#include "KTSortDescriptor.h"

#include <QHash>
#include <QImageReader>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <functional>
#include <map>

namespace {

std::map<QString, KTFakeModeController *> &livingFakes()
{
    static std::map<QString, KTFakeModeController *> s_fakes;
    return s_fakes;
}

QString modeTitle(const QString &uiMode)
{
    static const QHash<QString, QString> s_titles{
        {QStringLiteral("Duplicates"), QStringLiteral("Similar Groups")},
        {QStringLiteral("AllImages"), QStringLiteral("Timeline")},
        {QStringLiteral("Favorites"), QStringLiteral("Picks")},
        {QStringLiteral("Trash"), QStringLiteral("Rejects")}};
    return s_titles.value(uiMode, uiMode);
}

/// The mode's screen: a header line and its images as thumbnails, a row per similar group in
/// the similar-groups mode, the selection framed in the accent colour.
class FakeModeView : public QWidget
{
public:
    FakeModeView(KTFakeModeController *mode) : m_mode(mode)
    {
        setAutoFillBackground(true);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, KTPalette::kWindow);
        setPalette(palette);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QList<KTImageMO *> images = m_mode->images();
        painter.setFont(ktTitleFont());
        painter.setPen(KTPalette::kText);
        painter.drawText(QRectF(20, 14, width() - 40, 24), Qt::AlignLeft | Qt::AlignVCenter,
                         modeTitle(m_mode->uiModeName));
        painter.setFont(ktSmallFont());
        painter.setPen(KTPalette::kSecondaryText);
        painter.drawText(QRectF(20, 14, width() - 40, 24), Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("%1 · %2 images").arg(m_mode->subMode).arg(images.size()));

        // Rows: one per similar group in the similar-groups mode, else the images in order.
        std::vector<std::pair<QString, QList<int>>> rows;
        if (m_mode->uiModeName == QLatin1String("Duplicates")) {
            QList<KTImageGroupMO *> order;
            QHash<KTImageGroupMO *, QList<int>> members;
            for (int i = 0; i < images.size(); ++i) {
                KTImageGroupMO *group = images.at(i)->group();
                if (!members.contains(group))
                    order.append(group);
                members[group].append(i);
            }
            for (int g = 0; g < order.size(); ++g)
                rows.emplace_back(
                    QStringLiteral("Group %1 · %2 images").arg(g + 1).arg(members[order[g]].size()),
                    members[order[g]]);
        } else {
            QList<int> all;
            for (int i = 0; i < images.size(); ++i)
                all.append(i);
            rows.emplace_back(QString(), all);
        }
        const double cell = 112;
        const double gap = 8;
        double y = 48;
        for (const auto &[title, indexes] : rows) {
            if (!title.isEmpty()) {
                painter.setPen(KTPalette::kSecondaryText);
                painter.drawText(QRectF(20, y, width() - 40, 18), Qt::AlignLeft | Qt::AlignVCenter, title);
                y += 22;
            }
            double x = 20;
            for (int index : indexes) {
                if (x + cell > width() - 20) {
                    x = 20;
                    y += cell + gap;
                }
                paintCell(painter, QRectF(x, y, cell, cell), images.at(index), index);
                x += cell + gap;
            }
            y += cell + gap + 6;
            if (y > height())
                break;
        }
        if (images.isEmpty()) {
            painter.setFont(ktBodyFont());
            painter.setPen(KTPalette::kSecondaryText);
            painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("No Images"));
        }
    }

private:
    void paintCell(QPainter &painter, const QRectF &cell, KTImageMO *image, int index)
    {
        painter.fillRect(cell, KTPalette::kPanel);
        const QImage thumbnail = thumbnailFor(image->path());
        if (!thumbnail.isNull()) {
            QSizeF size = thumbnail.size();
            size.scale(cell.size() - QSizeF(10, 10), Qt::KeepAspectRatio);
            const QRectF target(cell.center() - QPointF(size.width() / 2, size.height() / 2), size);
            painter.drawImage(target, thumbnail);
        }
        if (image->picked().value_or(false))
            painter.fillRect(QRectF(cell.right() - 16, cell.top() + 6, 10, 10), KTPalette::kAccent);
        if (image->rejected().value_or(false))
            painter.fillRect(QRectF(cell.right() - 16, cell.top() + 6, 10, 10), KTPalette::kReject);
        if (m_mode->selectedIndexes.contains(index)) {
            painter.setPen(QPen(KTPalette::kAccent, index == m_mode->activeIndex ? 3 : 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(cell.adjusted(1, 1, -1, -1));
        }
    }

    QImage thumbnailFor(const QString &path)
    {
        auto found = m_thumbnails.find(path);
        if (found != m_thumbnails.end())
            return *found;
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QSize size = reader.size();
        if (size.isValid())
            reader.setScaledSize(size.scaled(QSize(200, 200), Qt::KeepAspectRatio));
        const QImage image = reader.read();
        m_thumbnails.insert(path, image);
        return image;
    }

    KTFakeModeController *m_mode;
    QHash<QString, QImage> m_thumbnails;
};

} // namespace

KTFakeModeController::KTFakeModeController(const QString &uiMode, QObject *parent)
    : KTBaseUIModeController(parent), uiModeName(uiMode)
{
    subMode = isGroupsMode() ? kUIModeGroups : kUIModeList;
    m_view = new FakeModeView(this);
    m_view->setObjectName(QStringLiteral("fakeModeView_") + uiMode);
    m_rejectNotSelectedButton = new QWidget(m_view);
    m_rejectNotSelectedButton->hide();
    m_infoView = new KTImageInfoView(m_view);
    m_infoView->hide();
    livingFakes()[uiMode] = this;
    actions().attachTo(m_view);
    registerFakeActions();
}

void KTFakeModeController::registerFakeActions()
{
    using C = KTModeCommand;
    QList<C> commands{C::Copy,
                      C::SelectAll,
                      C::DeselectAll,
                      C::ZoomIn,
                      C::ZoomOut,
                      C::FitToScreen,
                      C::ActualSize,
                      C::SwitchFitAndActualSize,
                      C::ShowExposurePixels,
                      C::ShowImage};
    if (isGroupsMode())
        commands += {C::ShowGroups, C::ShowGroup,     C::ShowCompare, C::ResolveGroup,
                     C::NextGroup,  C::PreviousGroup, C::Pick,        C::Reject};
    else if (uiModeName == QLatin1String("Trash"))
        commands += {C::ShowGroups, C::Restore};
    else
        commands += {C::ShowGroups, C::Pick, C::Reject};
    for (C command : commands) {
        actions().add(command, {QStringLiteral("Fake %1").arg(int(command)),
                                {},
                                [this, command] { record(commandCall(command)); },
                                [this] { return commandsAvailable; }});
    }
}

KTFakeModeController::~KTFakeModeController()
{
    auto found = livingFakes().find(uiModeName);
    if (found != livingFakes().end() && found->second == this)
        livingFakes().erase(found);
    if (m_storage)
        m_storage->removeFilterWithID(imagesFilterID());
    delete m_view.data();
}

std::unique_ptr<KTBaseUIModeController> KTFakeModeController::make(const QString &uiMode)
{
    return std::make_unique<KTFakeModeController>(uiMode);
}

KTFakeModeController *KTFakeModeController::made(const QString &uiMode)
{
    auto found = livingFakes().find(uiMode);
    return found == livingFakes().end() ? nullptr : found->second;
}

QString KTFakeModeController::filterIDForUIMode(const QString &uiMode)
{
    static const QHash<QString, QString> s_filters{
        {QStringLiteral("Duplicates"), QStringLiteral("GrouppedImages")},
        {QStringLiteral("AllImages"), QStringLiteral("KTTimelineImagesModeController")},
        {QStringLiteral("Favorites"), QStringLiteral("FavoriteImagesFilter")},
        {QStringLiteral("Trash"), QStringLiteral("TrashImagesFilter")}};
    return s_filters.value(uiMode);
}

bool KTFakeModeController::isGroupsMode() const
{
    return uiModeName == QLatin1String("Duplicates") || uiModeName == QLatin1String("AllImages");
}

QWidget *KTFakeModeController::view() const
{
    return m_view;
}

void KTFakeModeController::setLoadingThumbnailsQueue(KTOperationQueue *)
{
    record(QStringLiteral("setLoadingThumbnailsQueue"));
}

void KTFakeModeController::setModeButton(KTButton *button)
{
    m_modeButton = button;
    record(QStringLiteral("setModeButton"));
}

void KTFakeModeController::setShowPixelsButton(KTAbstractButton *)
{
    record(QStringLiteral("setShowPixelsButton"));
}

void KTFakeModeController::setShowFocusMaskButton(KTAbstractButton *)
{
    record(QStringLiteral("setShowFocusMaskButton"));
}

void KTFakeModeController::setImageStorage(KTImageStorage *storage)
{
    record(QStringLiteral("setImageStorage"));
    if (storage == m_storage)
        return;
    if (m_storage)
        m_storage->removeFilterWithID(imagesFilterID());
    m_storage = storage;
    if (!storage)
        return;
    const KTPredicate notRejected = KTKeyPath(kImageRejectedValueKey) != true;
    KTPredicate predicate;
    if (uiModeName == QLatin1String("Duplicates"))
        predicate = KTKeyPath(kImageGroupValueKey).isNotNil() && notRejected;
    else if (uiModeName == QLatin1String("AllImages"))
        predicate = KTKeyPath(kImageTimeGroupValueKey).isNotNil() && notRejected;
    else if (uiModeName == QLatin1String("Favorites"))
        predicate = (KTKeyPath(kImagePickedValueKey) == true) && notRejected;
    else
        predicate = KTKeyPath(kImageRejectedValueKey) == true;
    const QList<KTSortDescriptor> sorts{KTSortDescriptor(kImageCreationDateValueKey),
                                        KTSortDescriptor(kImageNameValueKey)};
    storage->setFilter({{kFilterPredicateKey, QVariant::fromValue(predicate)},
                        {kFilterSortDescriptorsKey, QVariant::fromValue(sorts)},
                        {kShouldApplyPredicateAfterFetch, true}},
                       imagesFilterID());
}

void KTFakeModeController::setDelegate(KTBaseUIModeControllerDelegate *delegate)
{
    m_delegate = delegate;
    record(QStringLiteral("setDelegate"));
}

void KTFakeModeController::switchToUIMode(const QString &mode)
{
    record(QStringLiteral("switchToUIMode:") + mode);
    subMode = mode;
    if (m_delegate)
        m_delegate->controllerDidChangeUIMode(this);
    if (m_view)
        m_view->update();
}

bool KTFakeModeController::canSwitchToUIMode(const QString &mode) const
{
    if (isGroupsMode())
        return mode == kUIModeGroups || mode == kUIModeGroup || mode == kUIModeImage ||
               mode == kUIModeCompare;
    return mode == kUIModeList || mode == kUIModeImage;
}

QList<KTImageMO *> KTFakeModeController::images() const
{
    return m_storage ? m_storage->imagesFilteredByFilterWithID(imagesFilterID()) : QList<KTImageMO *>();
}

void KTFakeModeController::setSelectedImages(const QList<KTImageMO *> &selected, KTImageMO *activeImage,
                                             bool selectOnlyFirstImage)
{
    record(QStringLiteral("setSelectedImages:%1").arg(selected.size()));
    const QList<KTImageMO *> listed = images();
    selectedIndexes.clear();
    for (KTImageMO *image : selected) {
        const qsizetype index = listed.indexOf(image);
        if (index >= 0) {
            selectedIndexes.append(int(index));
            if (selectOnlyFirstImage)
                break;
        }
    }
    activeIndex = activeImage ? int(listed.indexOf(activeImage)) : -1;
    if (m_view)
        m_view->update();
}

void KTFakeModeController::enumerateSelectedImagesUsingBlock(
    const std::function<void(KTImageMO *image, bool isActive, bool &stop)> &block)
{
    const QList<KTImageMO *> listed = images();
    QList<int> indexes = selectedIndexes;
    std::sort(indexes.begin(), indexes.end());
    bool stop = false;
    for (int index : indexes) {
        if (index < 0 || index >= listed.size())
            continue;
        block(listed.at(index), index == activeIndex, stop);
        if (stop)
            break;
    }
}

KTImageMO *KTFakeModeController::activeImageMO() const
{
    const QList<KTImageMO *> listed = images();
    return activeIndex >= 0 && activeIndex < listed.size() ? listed.at(activeIndex) : nullptr;
}

void KTFakeModeController::saveSelections()
{
    record(QStringLiteral("saveSelections"));
}

void KTFakeModeController::restoreAppLastLaunchSelection()
{
    record(QStringLiteral("restoreAppLastLaunchSelection"));
}

void KTFakeModeController::refresh()
{
    record(QStringLiteral("refresh"));
    if (m_view)
        m_view->update();
}

void KTFakeModeController::resetUI()
{
    record(QStringLiteral("resetUI"));
    selectedIndexes.clear();
    activeIndex = -1;
}

void KTFakeModeController::adjustUIVisibleElements()
{
    record(QStringLiteral("adjustUIVisibleElements"));
}

void KTFakeModeController::onShowExifView(QObject *)
{
    record(QStringLiteral("onShowExifView"));
}

void KTFakeModeController::setZoomValue(double value)
{
    record(QStringLiteral("setZoomValue"));
    zoom = value;
}

void KTFakeModeController::rejectSelectedImages()
{
    record(QStringLiteral("rejectSelectedImages"));
}

void KTFakeModeController::onCopy(QObject *)
{
    record(QStringLiteral("onCopy"));
}

void KTFakeModeController::onMove(QObject *)
{
    record(QStringLiteral("onMove"));
}

void KTFakeModeController::resetTimeRange()
{
    record(QStringLiteral("resetTimeRange"));
}

QWidget *KTFakeModeController::rejectNotSelectedButton() const
{
    return m_rejectNotSelectedButton;
}

void KTFakeModeController::updateAccuracySettings()
{
    record(QStringLiteral("updateAccuracySettings"));
}

void KTFakeModeController::onShowSearchSettings(QObject *)
{
    record(QStringLiteral("onShowSearchSettings"));
}

void KTFakeModeController::onMoveToSystemTrash(QObject *)
{
    record(QStringLiteral("onMoveToSystemTrash"));
}
