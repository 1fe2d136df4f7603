// The thumbnail grids: cells in every state, the browser at two zooms, the group view, the group
// navigation strip, the similar-groups list, the timeline and the day browser.

#include "KTScreenRegistry.h"
#include "KTScreenSession.h"

#include "KTCatalogModel.h"
#include "KTColor.h"
#include "KTExposurePixelsView.h"
#include "KTFocusMaskDefaults.h"
#include "KTFocusPixelsView.h"
#include "KTFocusedRegionsView.h"
#include "KTFont.h"
#include "KTImageCollectionViewCell.h"
#include "KTImageCollectionViewCellImageView.h"
#include "KTImageCollectionViewCellMouseEventHandlingView.h"
#include "KTImageCollectionViewCellRootView.h"
#include "KTImageCollectionViewCellsManager.h"
#include "KTImageFixtures.h"
#include "KTAbstractButton.h"
#include "KTGridScrollView.h"
#include "KTImageBrowserView.h"
#include "KTImageGroupNavigationView.h"
#include "KTImageGroupView.h"
#include "KTImageListViewDataSource.h"
#include "KTGrouppedImagesBrowserView.h"
#include "KTGrouppedImagesCellView.h"
#include "KTGrouppedImagesViewDataSource.h"
#include "KTImageGroupMO.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTObjectContext.h"
#include "KTSimilarImagesGroupsView.h"
#include "KTTimeGroupMO.h"
#include "KTTimeLineImagesGroupsView.h"

#include <QApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

/// Turns the event loop until `done` holds or `milliseconds` have passed.
void settle(const std::function<bool()> &done, int milliseconds = 5000)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done() && !deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    QApplication::processEvents();
}

/// A sheet of pooled cells, each with its caption, placed as a grid places them.
class CellSheet : public QWidget
{
public:
    static constexpr int kSide = 150;
    static constexpr int kColumns = 7;

    CellSheet()
    {
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, KTPalette::kPanel);
        setPalette(palette);
        setAutoFillBackground(true);
    }
    ~CellSheet() override
    {
        for (KTImageCollectionViewCell *cell : m_cells) {
            cell->setImageMO(nullptr);
            cell->mouseEventHandlingView()->setMouseInBounds(false);
            cell->setIsSelected(false);
            cell->setIsActive(false);
            KTImageCollectionViewCellsManager::sharedManager().hideCell(cell);
        }
        KTImageCollectionViewCellsManager::sharedManager().releaseCellsOfView(this);
    }

    KTImageCollectionViewCell *add(const QString &caption, KTImageMO *record, unsigned type = 0)
    {
        const int slot = int(m_cells.size());
        const QRect frame(16 + (slot % kColumns) * (kSide + 12), 16 + (slot / kColumns) * (kSide + 34), kSide,
                          kSide);
        KTImageCollectionViewCell *cell = KTImageCollectionViewCellsManager::sharedManager().cell();
        cell->rootView()->setParent(this);
        cell->setCellType(KTImageCollectionViewCell::PlainGridCell |
                          KTImageCollectionViewCell::SelectableList | type);
        cell->setIndex(unsigned(slot));
        cell->setShowsTrashStatus(true);
        cell->setImageMO(record);
        cell->rootView()->setGeometry(frame);
        cell->rootView()->show();
        auto *label = new QLabel(caption, this);
        label->setFont(ktSmallFont());
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, KTPalette::kSecondaryText);
        label->setPalette(palette);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setGeometry(frame.left(), frame.bottom() + 6, kSide, 18);
        m_cells.push_back(cell);
        resize(32 + kColumns * (kSide + 12) - 12, 16 + (slot / kColumns + 1) * (kSide + 34) + 4);
        return cell;
    }

    /// Waits until every picture and every overlay shown has arrived.
    void settleCells()
    {
        settle([this] {
            for (KTImageCollectionViewCell *cell : m_cells) {
                const KTImageCollectionViewCellImageView *view = cell->imageView();
                if (!view->imageMO() || view->isFileMissing())
                    continue;
                if (!view->previewDidLoad() ||
                    (view->showsExposurePixels() && view->exposurePixelsView()->specialPixels().isNull()))
                    return false;
                if (view->showsFocusMask() && view->focusPixelsView()->specialPixels().isNull())
                    return false;
                if (view->isFocusedRegionsVisible() && !view->focusedRegionsView()->focusedRegionsStorage())
                    return false;
            }
            return true;
        });
    }

private:
    std::vector<KTImageCollectionViewCell *> m_cells;
};

/// A photo with burnt highlights and blocked shadows.
bool writeHarshLightPhoto(const QString &path)
{
    QImage image(600, 400, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, 400);
    sky.setColorAt(0, QColor(255, 255, 255));
    sky.setColorAt(0.35, QColor(170, 190, 215));
    sky.setColorAt(0.6, QColor(70, 80, 60));
    sky.setColorAt(1, QColor(0, 0, 0));
    painter.fillRect(image.rect(), sky);
    painter.setBrush(Qt::white);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(430, 90), 55, 55);
    painter.end();
    return image.save(path, "JPG", 95);
}

/// A photo sharp in its middle and soft around it.
bool writeSharpCentrePhoto(const QString &path)
{
    QImage image(600, 400, QImage::Format_RGB32);
    image.fill(QColor(110, 120, 100));
    QPainter painter(&image);
    for (int i = 0; i < 14; ++i) {
        const int x = 180 + (i % 7) * 36;
        const int y = 120 + (i / 7) * 80;
        painter.fillRect(x, y, 18, 70, i % 2 ? QColor(240, 235, 220) : QColor(20, 25, 30));
    }
    painter.end();
    return image.save(path, "JPG", 95);
}

/// A camera JPEG whose maker notes hold nine autofocus points, three of them in focus.
bool writeAutofocusPhoto(const QString &path)
{
    std::vector<KTCanonAFPoint> points;
    for (int row = -1; row <= 1; ++row)
        for (int column = -1; column <= 1; ++column)
            points.push_back({column * 160, row * 110, 70, 70, row == 0, true});
    return writeJpegWithExif(path,
                             {{"Exif.Image.Make", "Canon"},
                              {"Exif.Image.Model", "Canon EOS Test"},
                              {"Exif.Canon.AFInfo", canonAFInfo(points, 600, 400)}},
                             QSize(600, 400));
}

QList<KTImageMO *> sessionImages(KTScreenContext &context)
{
    return context.session() ? context.session()->images() : QList<KTImageMO *>();
}

/// The images of a list, as a review mode hands them over.
struct ListSource : KTImageListViewDataSource
{
    qsizetype numberOfImages(KTImageListView *) override { return images.size(); }
    KTImageMO *imageMOAtIndex(qsizetype index, KTImageListView *) override { return images.value(index); }
    QList<KTImageMO *> images;
};

/// Keeps the pointer away from the grids, so no cell shows its hover buttons by chance.
void parkPointer()
{
    QCursor::setPos(-1000, -1000);
}

/// Waits until every cell on screen shows its size-matched thumbnail.
void settleGrid(const KTImageCollectionView &grid)
{
    settle([&grid] {
        for (const KTImageCollectionViewCell *cell : grid.visibleCells())
            if (!cell->imageView()->previewDidLoad() && !cell->imageView()->isFileMissing())
                return false;
        return true;
    });
}

/// The groups of a group list, as a review mode hands them over.
struct GroupSource : KTGrouppedImagesViewDataSource
{
    qsizetype numberOfGroups(KTGrouppedImagesView *) override { return groups.size(); }
    QList<KTImageMO *> imagesForGroupAtIndex(qsizetype index, KTGrouppedImagesView *) override
    {
        return groups.value(index);
    }
    QList<QList<KTImageMO *>> groups;
};

/// The images sorted by capture time.
QList<KTImageMO *> byTime(QList<KTImageMO *> images)
{
    std::sort(images.begin(), images.end(),
              [](const KTImageMO *a, const KTImageMO *b) { return a->timeStamp() < b->timeStamp(); });
    return images;
}

/// The session's similar groups, or its time groups, in time order.
GroupSource sessionGroups(KTScreenContext &context, bool similar)
{
    GroupSource source;
    if (!context.session())
        return source;
    KTImageStorage &storage = context.session()->storage();
    if (similar) {
        for (KTImageGroupMO *group : storage.groups())
            source.groups.append(byTime(group->images()));
    } else {
        for (KTTimeGroupMO *group : storage.timeGroups())
            source.groups.append(byTime(group->images()));
    }
    std::sort(source.groups.begin(), source.groups.end(), [](const auto &a, const auto &b) {
        return !a.isEmpty() && !b.isEmpty() && a.first()->timeStamp() < b.first()->timeStamp();
    });
    return source;
}

/// Waits until every row on screen shows its thumbnails.
void settleGroups(const KTGrouppedImagesView &list)
{
    for (const KTGrouppedImagesCellView *row : list.visibleCells())
        settleGrid(*row);
}

/// A group list of `List` over `source` in a scroll view of `size`, captured once settled.
template <class List>
QImage groupList(KTScreenContext &context, GroupSource &source, QSize size,
                 const std::function<void(List &)> &prepare = {})
{
    parkPointer();
    KTGridScrollView scroll;
    auto *list = new List;
    list->setDataSource(&source);
    scroll.setDocumentView(list);
    scroll.resize(size);
    if (prepare)
        prepare(*list);
    list->reloadData();
    return context.capture(scroll, [&] {
        list->adjustUI();
        settleGroups(*list);
    });
}

/// The browser of the session's images in a scroll view, `zoom` from 0 (most columns) to 1.
QImage browserAtZoom(KTScreenContext &context, double zoom)
{
    parkPointer();
    ListSource source;
    source.images = sessionImages(context);
    KTGridScrollView scroll;
    auto *browser = new KTImageBrowserView;
    browser->setDataSource(&source);
    scroll.setDocumentView(browser);
    scroll.resize(1180, 720);
    browser->reloadData();
    browser->setZoomValue(zoom);
    return context.capture(scroll, [&] {
        browser->layoutCells();
        browser->selectIndexes({3, 4, 5, 9}, 4);
        settleGrid(*browser);
    });
}

} // namespace

KT_SCREEN(grids_cell_states)
{
    const QList<KTImageMO *> images = sessionImages(context);
    if (images.size() < 12)
        return {};
    // The application registers the focus-mask settings at start-up.
    KTFocusMaskDefaults::registerDefaults();
    // A copy of one photo whose file goes missing, as a record of a context of its own, so the
    // session's catalogue stays as it is.
    QTemporaryDir folder;
    const QString missingPath = QDir(folder.path()).filePath(QStringLiteral("IMG_MISSING.jpg"));
    QFile::copy(images.at(5)->path(), missingPath);
    const auto context2 = KTObjectContext::makeMainContext(KTCatalogModel::sharedModel());
    auto *missing = context2->insert<KTImageMO>(kImageEntityName);
    missing->setPath(missingPath);

    const auto addRecord = [&](const QString &name, const std::function<bool(const QString &)> &write) {
        const QString path = QDir(folder.path()).filePath(name);
        write(path);
        auto *record = context2->insert<KTImageMO>(kImageEntityName);
        record->setPath(path);
        return record;
    };
    KTImageMO *harsh = addRecord(QStringLiteral("IMG_HARSH.jpg"), writeHarshLightPhoto);
    KTImageMO *sharp = addRecord(QStringLiteral("IMG_SHARP.jpg"), writeSharpCentrePhoto);
    KTImageMO *autofocus = addRecord(QStringLiteral("IMG_AF.jpg"), writeAutofocusPhoto);

    KTImageMO *picked = nullptr;
    KTImageMO *rejected = nullptr;
    QList<KTImageMO *> plain;
    for (KTImageMO *image : images) {
        if (image->picked().value_or(false) && !picked)
            picked = image;
        else if (image->rejected().value_or(false) && !rejected)
            rejected = image;
        else if (!image->picked().value_or(false) && !image->rejected().value_or(false))
            plain.append(image);
    }
    if (!picked || !rejected || plain.size() < 6)
        return {};

    using Cell = KTImageCollectionViewCell;
    CellSheet sheet;
    sheet.add(QStringLiteral("Normal"), plain.at(0));
    KTImageCollectionViewCell *hover = sheet.add(QStringLiteral("Hover"), plain.at(1));
    KTImageCollectionViewCell *active = sheet.add(QStringLiteral("Selected, active"), plain.at(2));
    active->setIsSelected(true);
    active->setIsActive(true);
    sheet.add(QStringLiteral("Selected"), plain.at(3))->setIsSelected(true);
    KTImageCollectionViewCell *compareActive =
        sheet.add(QStringLiteral("Compare, active"), plain.at(4), Cell::CompareColors);
    compareActive->setIsSelected(true);
    compareActive->setIsActive(true);
    sheet.add(QStringLiteral("Compare, other"), plain.at(5), Cell::CompareColors)->setIsSelected(true);
    sheet.add(QStringLiteral("Picked"), picked);
    KTImageCollectionViewCell *rejectedCell = sheet.add(QStringLiteral("Rejected, hover"), rejected);
    sheet.add(QStringLiteral("Missing file"), missing);
    sheet.add(QStringLiteral("Clipped exposure"), harsh)->setShowsExposurePixels(true);
    sheet.add(QStringLiteral("Focus mask"), sharp)->setShowsFocusMask(true);
    sheet.add(QStringLiteral("Focused region"), autofocus)->setFocusedRegionsVisible(true);
    sheet.add(QStringLiteral("Focus points"), autofocus)->setFocusPointLatticeVisible(true);
    sheet.add(QStringLiteral("Navigation cell"), plain.at(1), Cell::NavigationCell);

    return context.capture(sheet, [&] {
        QFile::remove(missingPath);
        missing->checkOriginalFileExistence();
        hover->mouseEventHandlingView()->setMouseInBounds(true);
        rejectedCell->mouseEventHandlingView()->setMouseInBounds(true);
        sheet.settleCells();
    });
}

KT_SCREEN(grids_browser_small_thumbnails)
{
    return browserAtZoom(context, 0.0);
}

KT_SCREEN(grids_browser_large_thumbnails)
{
    return browserAtZoom(context, 1.0);
}

KT_SCREEN(grids_group_view)
{
    parkPointer();
    ListSource source;
    source.images = sessionImages(context).mid(0, 7);
    KTGridScrollView scroll;
    auto *group = new KTImageGroupView;
    group->setDataSource(&source);
    scroll.setDocumentView(group);
    scroll.resize(1000, 640);
    group->reloadData();
    return context.capture(scroll, [&] {
        group->layoutCells();
        group->selectIndexes({2}, 2);
        settleGrid(*group);
    });
}

KT_SCREEN(grids_group_navigation_strip)
{
    const QList<KTImageMO *> images = sessionImages(context);
    if (images.size() < 12)
        return {};
    parkPointer();
    ListSource source;
    source.images = images.mid(4, 5);
    QWidget sheet;
    QPalette palette = sheet.palette();
    palette.setColor(QPalette::Window, KTPalette::kWindow);
    sheet.setPalette(palette);
    sheet.setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(&sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new KTGridScrollView(Qt::Horizontal, &sheet);
    layout->addWidget(scroll);
    auto *strip = new KTImageGroupNavigationView;
    auto *previous = new KTAbstractButton;
    auto *next = new KTAbstractButton;
    for (KTAbstractButton *button : {previous, next}) {
        button->setFont(ktSmallFont());
        button->resize(96, 104);
    }
    strip->setPreviousGroupButton(previous);
    strip->setNextGroupButton(next);
    strip->setDataSource(&source);
    scroll->setDocumentView(strip);
    sheet.resize(1180, 150);
    strip->setPrevGroupImage(images.at(0));
    strip->setNextGroupImage(images.at(11));
    strip->setCompareMode(true);
    strip->reloadData();
    return context.capture(sheet, [&] {
        strip->layoutCells();
        strip->selectIndexes({1, 3}, 1);
        settleGrid(*strip);
        settle([&] { return false; }, 300);
    });
}

KT_SCREEN(grids_similar_groups)
{
    GroupSource source = sessionGroups(context, true);
    return groupList<KTSimilarImagesGroupsView>(context, source, QSize(1180, 760),
                                                [](KTSimilarImagesGroupsView &list) {
                                                    list.setEmptyMessage(QStringLiteral("No Similar Images"));
                                                    list.setSelectedGroupIndex(1);
                                                });
}

KT_SCREEN(grids_timeline)
{
    GroupSource source = sessionGroups(context, false);
    return groupList<KTTimeLineImagesGroupsView>(context, source, QSize(1180, 760),
                                                 [](KTTimeLineImagesGroupsView &list) {
                                                     list.setZoomValue(0.6);
                                                     list.setSelectedGroupIndex(0);
                                                 });
}

KT_SCREEN(grids_day_browser)
{
    GroupSource source = sessionGroups(context, false);
    return groupList<KTGrouppedImagesBrowserView>(context, source, QSize(1180, 760),
                                                  [](KTGrouppedImagesBrowserView &browser) {
                                                      browser.setShowDateTitles(true);
                                                      browser.selectIndexes({1, 2, 3, 9}, 2);
                                                  });
}
