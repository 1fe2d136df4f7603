#include "KTGrouppedImagesView.h"

#include "KTAbstractButton.h"
#include "KTGridScrollView.h"
#include "KTGridTestSession.h"
#include "KTGrouppedImagesBrowserView.h"
#include "KTGrouppedImagesBrowserViewDelegate.h"
#include "KTGrouppedImagesCellView.h"
#include "KTGrouppedImagesViewDataSource.h"
#include "KTImageCollectionViewCell.h"
#include "KTImageCollectionViewCellImageView.h"
#include "KTImageCollectionViewCellRootView.h"
#include "KTImageCollectionViewCellsManager.h"
#include "KTImageMO.h"
#include "KTImagesGroupsView.h"
#include "KTImagesGroupsViewCell.h"
#include "KTImagesGroupsViewDelegate.h"
#include "KTSimilarImagesGroupsView.h"
#include "KTSimilarImagesGroupsViewCell.h"
#include "KTTimeLineImagesGroupsView.h"
#include "KTTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

using Indexes = std::set<qsizetype>;

/// Groups of records, and what the lists tell their owner.
struct GroupSource : KTGrouppedImagesViewDataSource,
                     KTImagesGroupsViewDelegate,
                     KTGrouppedImagesBrowserViewDelegate
{
    qsizetype numberOfGroups(KTGrouppedImagesView *) override { return groups.size(); }
    QList<KTImageMO *> imagesForGroupAtIndex(qsizetype index, KTGrouppedImagesView *) override
    {
        return groups.value(index);
    }
    void imagesGroupsViewSelectionDidChange(KTImagesGroupsView *) override
    {
        events.append(QStringLiteral("selection"));
    }
    void imagesGroupsViewDoubleClickedInGroupAtIndex(KTImagesGroupsView *, qsizetype index) override
    {
        events.append(QStringLiteral("double %1").arg(index));
    }
    void selectionDidChange(KTGrouppedImagesBrowserView *) override
    {
        events.append(QStringLiteral("selection"));
    }
    void doubleClickedImageAtIndex(qsizetype index, KTGrouppedImagesBrowserView *) override
    {
        events.append(QStringLiteral("double %1").arg(index));
    }

    /// Groups of the given sizes, filled from `records` in order.
    void fill(const QList<KTImageMO *> &records, const std::vector<int> &sizes)
    {
        qsizetype next = 0;
        for (int size : sizes) {
            groups.append(records.mid(next, size));
            next += size;
        }
    }

    QList<QList<KTImageMO *>> groups;
    QStringList events;
};

/// A group list in a shown scroll view.
template <class List> struct ShownGroups
{
    explicit ShownGroups(GroupSource &source, QSize size = QSize(800, 600))
    {
        list = new List;
        list->setDataSource(&source);
        scroll.setDocumentView(list);
        scroll.resize(size);
        scroll.show();
        list->reloadData();
    }
    KTGridScrollView scroll;
    List *list = nullptr;
};

/// A browser that keeps the drags it would start.
class DragRecordingBrowser : public KTGrouppedImagesBrowserView
{
public:
    std::vector<QList<QUrl>> drags;

protected:
    void beginDraggingSession(std::unique_ptr<QMimeData> data, const QImage &, const QPoint &) override
    {
        drags.push_back(data->urls());
    }
};

QKeyEvent key(int code, Qt::KeyboardModifiers modifiers = {})
{
    return QKeyEvent(QEvent::KeyPress, code, modifiers);
}

void click(QWidget *widget, const QPointF &position, QEvent::Type type = QEvent::MouseButtonPress)
{
    QMouseEvent press(type, position, widget->mapToGlobal(position), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, position, widget->mapToGlobal(position), Qt::LeftButton,
                        Qt::NoButton, {});
    QApplication::sendEvent(widget, &release);
}

/// A point inside group `group`'s row, in Qt's coordinates of the list.
QPointF insideRow(const KTGrouppedImagesView &list, qsizetype group)
{
    const QRectF frame = KTGridGeometry::flipped(list.frameForCellAtIndex(group), list.height());
    return QPointF(frame.left() + 40, frame.top() + 3);
}

} // namespace

TEST(KTGroupRowGeometryTest, ZoomStepsAndColumnsByWidthAndLayout)
{
    const KTGroupRowLayout plain = KTGrouppedImagesCellView::defaultLayout();
    const KTGroupRowLayout similar = KTSimilarImagesGroupsViewCell::similarLayout();
    const struct
    {
        KTGroupRowLayout layout;
        double width;
        qsizetype maxColumns;
        qsizetype steps;
    } cases[] = {
        {plain, 998, 6, 4},   // a 1000-point list: floor((998 - 10 + 1) / 151)
        {similar, 998, 5, 3}, // the similar rows' wide margins
        {plain, 470, 3, 1},   // no more than the fewest columns: one step
        {plain, 100, 1, 1},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(KTGridGeometry::groupRowMaxColumns(c.layout, c.width), c.maxColumns) << c.width;
        EXPECT_EQ(KTGridGeometry::groupRowZoomSteps(c.layout, c.width), c.steps) << c.width;
    }
    // Zoom 0 shows the most columns, 1 the fewest; an exact tick lands on its own step.
    const struct
    {
        double zoom;
        qsizetype columns;
    } zooms[] = {{0, 6}, {1, 3}, {1.0 / 3, 5}, {2.0 / 3, 4}, {1.7, 3}};
    for (const auto &z : zooms)
        EXPECT_EQ(KTGridGeometry::groupRow(plain, 998, 12, z.zoom).numberOfColumns, z.columns) << z.zoom;
    // A group of no image is a row of its margins only.
    EXPECT_EQ(KTGridGeometry::groupRow(plain, 998, 0, 0).viewSize.height(), 10);
}

// 2,000 groups of 2 to 12 images scrolled end to end a page at a time: rows exist only around
// the visible part, pooled rows hold no cell, and every cell in use belongs to a row on screen.
TEST(KTGrouppedImagesViewTest, OnlyVisibleRowsHoldCellsWhileScrollingTwoThousandGroups)
{
    KTGridTestSession session;
    std::vector<int> sizes;
    int total = 0;
    for (int group = 0; group < 2000; ++group) {
        sizes.push_back(2 + group % 11);
        total += sizes.back();
    }
    GroupSource source;
    source.fill(session.addRecords(total), sizes);
    ShownGroups<KTImagesGroupsView> shown(source);
    KTImagesGroupsView *list = shown.list;
    KTImageCollectionViewCellsManager &pool = KTImageCollectionViewCellsManager::sharedManager();
    QScrollBar *bar = shown.scroll.verticalScrollBar();
    ASSERT_EQ(list->numberOfCells(), 2000);
    ASSERT_GT(bar->maximum(), 0);

    int steps = 0;
    for (int value = 0;; value = std::min(value + bar->pageStep(), bar->maximum()), ++steps) {
        bar->setValue(value);
        unsigned cellsOfRows = 0;
        for (KTGrouppedImagesCellView *row : list->visibleCells())
            cellsOfRows += unsigned(row->visibleCells().size());
        EXPECT_EQ(pool.numberOfCellsInUse(), cellsOfRows) << value;
        EXPECT_LE(list->visibleCells().size(), 20) << value;
        if (value == bar->maximum())
            break;
    }
    EXPECT_GT(steps, 100);
    EXPECT_LE(list->numberOfRowsMade(), 24);
    // At rest, the rows on screen are exactly the groups that meet the visible part.
    list->clipViewBoundsDidChange();
    const std::vector<qsizetype> onScreen = list->indexesOfGroupsWhatVisibleInRect(list->visibleArea());
    EXPECT_EQ(qsizetype(list->visibleCells().size()), qsizetype(onScreen.size()));
    EXPECT_EQ(onScreen.back(), 1999);
}

namespace {

/// The cells of the rows on screen, by record, with the frame each lies at.
struct ShownCells
{
    explicit ShownCells(const KTGrouppedImagesView &list)
    {
        for (KTGrouppedImagesCellView *row : list.visibleCells()) {
            for (KTImageCollectionViewCell *cell : row->visibleCells()) {
                const QRect frame = cell->rootView()->geometry();
                const bool onScreen = !row->visibleRegion().isEmpty() && cell->rootView()->isVisible() &&
                                      row->visibleRegion().intersects(frame);
                if (onScreen)
                    cells.insert(cell->imageMO(), cell);
                EXPECT_EQ(row->imageMOAtIndex(cell->index()), cell->imageMO());
                EXPECT_EQ(frame, KTGridGeometry::flipped(
                                     KTGridGeometry::roundRect(row->frameForCellAtIndex(cell->index())),
                                     row->height())
                                     .toRect());
            }
        }
    }
    QHash<KTImageMO *, KTImageCollectionViewCell *> cells;
};

} // namespace

// A window resized or the zoom moved: every record that stays on screen keeps its cell, still
// bound (the sized thumbnail it had is still there), at the frame of its new place.
TEST(KTGrouppedImagesViewTest, AResizeOrAZoomKeepsTheCellsOfRecordsThatStayOnScreen)
{
    KTGridTestSession session;
    GroupSource source;
    source.fill(session.addImages(300), std::vector<int>(60, 5));
    ShownGroups<KTSimilarImagesGroupsView> shown(source);
    KTSimilarImagesGroupsView *list = shown.list;
    QScrollBar *bar = shown.scroll.verticalScrollBar();
    const auto sized = [&] {
        for (KTImageCollectionViewCell *cell : ShownCells(*list).cells)
            if (!cell->imageView()->previewDidLoad())
                return false;
        return true;
    };

    // A resize keeps the centre line where it was; a zoom keeps the scroll position, so only the
    // top of the list keeps its groups on screen.
    const struct
    {
        const char *change;
        double position;
        std::function<void()> apply;
    } changes[] = {
        {"narrower", 0.5, [&] { shown.scroll.resize(760, 600); }},
        {"wider", 0.5, [&] { shown.scroll.resize(900, 600); }},
        {"zoomed", 0, [&] { list->setZoomValue(1); }},
        {"zoomed back", 0, [&] { list->setZoomValue(0); }},
    };
    for (const auto &c : changes) {
        bar->setValue(int(bar->maximum() * c.position));
        ASSERT_TRUE(waitUntil(sized)) << c.change;
        const ShownCells before(*list);
        ASSERT_FALSE(before.cells.isEmpty()) << c.change;
        c.apply();
        QApplication::processEvents();
        const ShownCells after(*list);
        int kept = 0;
        for (auto it = after.cells.cbegin(); it != after.cells.cend(); ++it) {
            if (!before.cells.contains(it.key()))
                continue;
            ++kept;
            EXPECT_EQ(it.value(), before.cells.value(it.key())) << c.change;
            EXPECT_TRUE(it.value()->imageView()->previewDidLoad()) << c.change;
        }
        EXPECT_GT(kept, 0) << c.change;
    }
}

TEST(KTImagesGroupsViewTest, HitTestAcrossRowBoundariesAndGaps)
{
    KTGridTestSession session;
    GroupSource source;
    source.fill(session.addRecords(9), {3, 3, 3});
    ShownGroups<KTImagesGroupsView> shown(source, QSize(700, 900));
    KTImagesGroupsView *list = shown.list;
    list->setIntergroupVerticalSpace(10);
    list->adjustUI();
    const QRectF first = list->frameForCellAtIndex(0);
    const QRectF second = list->frameForCellAtIndex(1);
    const QRectF third = list->frameForCellAtIndex(2);
    const struct
    {
        const char *name;
        double y;
        std::optional<qsizetype> group;
    } cases[] = {
        {"inside the first row", first.center().y(), 0},
        {"on the first row's top edge", first.bottom(), 0},
        {"above the first row", first.bottom() + 1, std::nullopt},
        {"on the second row's top edge", second.bottom(), 1},
        {"in the gap between two rows", second.bottom() + 5, std::nullopt},
        {"on the second row's lower edge", second.top(), 1},
        {"inside the last row", third.center().y(), 2},
        {"below the last row", third.top() - 1, std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(list->groupUnderMouse(QPointF(50, c.y)), c.group) << c.name;
}

TEST(KTImagesGroupsViewTest, ClicksAndKeysSelectGroupsAndTellTheDelegate)
{
    KTGridTestSession session;
    GroupSource source;
    source.fill(session.addRecords(9), {3, 3, 3});
    ShownGroups<KTImagesGroupsView> shown(source);
    KTImagesGroupsView *list = shown.list;
    list->setDelegate(&source);

    // A double click on an unselected row: the selection change, then the double click.
    click(list, insideRow(*list, 1));
    click(list, insideRow(*list, 1), QEvent::MouseButtonDblClick);
    EXPECT_EQ(source.events, (QStringList{"selection", "double 1"}));
    EXPECT_EQ(list->selectedGroupIndex(), 1);
    ASSERT_NE(list->cellAtIndex(1), nullptr);
    EXPECT_TRUE(static_cast<KTImagesGroupsViewCell *>(list->cellAtIndex(1))->isSelected());
    // The selected row again: no selection change, the double click still.
    source.events.clear();
    click(list, insideRow(*list, 1));
    click(list, insideRow(*list, 1), QEvent::MouseButtonDblClick);
    EXPECT_EQ(source.events, QStringList{"double 1"});

    source.events.clear();
    QKeyEvent down = key(Qt::Key_Down);
    QApplication::sendEvent(list, &down);
    EXPECT_EQ(list->selectedGroupIndex(), 2);
    QKeyEvent atEnd = key(Qt::Key_Down);
    QApplication::sendEvent(list, &atEnd);
    EXPECT_EQ(list->selectedGroupIndex(), 2);
    EXPECT_EQ(source.events, QStringList{"selection"});
    // The owner's own change says nothing, and the selection survives a reload.
    list->setSelectedGroupIndex(0);
    list->reloadData();
    EXPECT_EQ(list->selectedGroupIndex(), 0);
    EXPECT_TRUE(static_cast<KTImagesGroupsViewCell *>(list->cellAtIndex(0))->isSelected());
    EXPECT_EQ(source.events, QStringList{"selection"});

    // Copying the selected group's files; an empty group clears the clipboard.
    EXPECT_EQ(list->copySelectedImagesToPasteboard(), 3);
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->urls().size(), 3);
    source.groups.append(QList<KTImageMO *>());
    list->reloadData();
    list->setSelectedGroupIndex(3);
    EXPECT_EQ(list->copySelectedImagesToPasteboard(), 0);
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->urls().isEmpty());
}

TEST(KTImagesGroupsViewCellTest, TheRejectButtonRejectsOneImageAndShowsTheRecord)
{
    KTGridTestSession session;
    GroupSource source;
    source.fill(session.addRecords(3), {3});
    ShownGroups<KTSimilarImagesGroupsView> shown(source);
    auto *row = static_cast<KTImagesGroupsViewCell *>(shown.list->cellAtIndex(0));
    ASSERT_NE(row, nullptr);
    KTImageCollectionViewCell *cell = row->visibleCells().value(source.groups[0][1]->path());
    ASSERT_NE(cell, nullptr);
    EXPECT_TRUE(cell->hideSelection());

    cell->trashButton()->click();
    EXPECT_TRUE(source.groups[0][1]->rejected().value_or(false));
    EXPECT_FALSE(source.groups[0][0]->rejected().value_or(false));
    EXPECT_TRUE(cell->trashButton()->isPushed());
    // Clicked again, the image stays rejected, and so does the button.
    cell->trashButton()->click();
    EXPECT_TRUE(source.groups[0][1]->rejected().value_or(false));
    EXPECT_TRUE(cell->trashButton()->isPushed());
}

// Neighbouring groups on one day number of other months and years are days of their own; a group
// without a time stamp has no band and ends no day.
TEST(KTTimeLineImagesGroupsViewTest, DayBandsByCalendarDate)
{
    KTGridTestSession session;
    const QList<KTImageMO *> records = session.addRecords(7);
    const struct
    {
        QDateTime stamp;
        bool band;
        bool lastInDay;
    } groups[] = {
        {QDateTime(QDate(2024, 3, 5), QTime(10, 0)), true, true},
        {QDateTime(QDate(2024, 4, 5), QTime(9, 0)), true, false}, // same day number, next month
        {QDateTime(QDate(2024, 4, 5), QTime(18, 0)), false, true},
        {QDateTime(QDate(2025, 4, 5), QTime(8, 0)), true, true}, // a year later
        {QDateTime(), false, false},                             // no time stamp
        {QDateTime(QDate(2025, 4, 6), QTime(23, 59)), true, false},
        {QDateTime(QDate(2025, 4, 6), QTime(23, 59, 30)), false, true},
    };
    GroupSource source;
    for (qsizetype index = 0; index < qsizetype(std::size(groups)); ++index) {
        records[index]->setTimeStamp(groups[index].stamp);
        source.groups.append({records[index]});
    }
    ShownGroups<KTTimeLineImagesGroupsView> shown(source);
    for (qsizetype index = 0; index < qsizetype(std::size(groups)); ++index) {
        EXPECT_EQ(shown.list->showsDaySectionForGroupAtIndex(index), groups[index].band) << index;
        EXPECT_EQ(shown.list->isLastInDayGroupAtIndex(index), groups[index].lastInDay) << index;
    }
    // A band makes room above the row's thumbnails.
    EXPECT_EQ(shown.list->frameForCellAtIndex(0).height() - shown.list->frameForCellAtIndex(2).height(), 35);
}

// Groups of 5, 2, 0 and 7 images in three columns:
//   group 0: 0 1 2 / 3 4   group 1: 5 6   group 2: (empty)   group 3: 7 8 9 / 10 11 12 / 13
TEST(KTGrouppedImagesBrowserViewTest, UpAndDownAcrossGroupsOfDifferentLengths)
{
    KTGridTestSession session;
    GroupSource source;
    source.fill(session.addRecords(14), {5, 2, 0, 7});
    ShownGroups<KTGrouppedImagesBrowserView> shown(source, QSize(520, 700));
    KTGrouppedImagesBrowserView *browser = shown.list;
    ASSERT_EQ(browser->numberOfColumns(), 3);
    const struct
    {
        qsizetype from;
        Qt::Key key;
        qsizetype to;
    } cases[] = {
        {1, Qt::Key_Down, 4}, // same column, next row
        {2, Qt::Key_Down, 4}, // a shorter last row: its last image
        {4, Qt::Key_Down, 6}, // into the next group's first row
        {6, Qt::Key_Down, 8}, // past the empty group
        {8, Qt::Key_Up, 6},   // back over the empty group
        {9, Qt::Key_Up, 6},   // a shorter row above: its last image
        {3, Qt::Key_Up, 0},
        {0, Qt::Key_Up, 0},     // round to the last group: the step stops at the first image
        {13, Qt::Key_Down, 13}, // and at the last
        {12, Qt::Key_Down, 13},
    };
    for (const auto &c : cases) {
        browser->selectIndexes({c.from}, c.from);
        EXPECT_TRUE(browser->performKeyDown(key(c.key)));
        EXPECT_EQ(browser->selection(), Indexes{c.to}) << c.from << " " << c.key;
    }
    EXPECT_EQ(browser->indexOfImageUnderImageAtIndex(6), 8);
    EXPECT_EQ(browser->indexOfImageUpperImageAtIndex(7), 5);

    // A Shift run leaves an anchor; a plain Down then starts from the last selected image.
    browser->selectIndexes({1}, 1);
    browser->performKeyDown(key(Qt::Key_Left, Qt::ShiftModifier));
    ASSERT_EQ(browser->selection(), (Indexes{0, 1}));
    ASSERT_EQ(browser->anchorIndex(), 0);
    browser->performKeyDown(key(Qt::Key_Down));
    EXPECT_EQ(browser->selection(), Indexes{4});
}

TEST(KTGrouppedImagesBrowserViewTest, SelectionSurvivesAReloadAndDoubleClicksReportFlatIndexes)
{
    KTGridTestSession session;
    GroupSource source;
    source.fill(session.addRecords(9), {4, 5});
    ShownGroups<KTGrouppedImagesBrowserView> shown(source, QSize(700, 700));
    KTGrouppedImagesBrowserView *browser = shown.list;
    browser->setDelegate(&source);
    browser->selectIndexes({2, 6}, 6);
    browser->reloadData();
    EXPECT_EQ(browser->selection(), (Indexes{2, 6}));
    EXPECT_EQ(browser->activeIndex(), 6);
    // The rows show their part of the selection.
    auto *second = static_cast<KTGrouppedImagesCellView *>(browser->cellAtIndex(1));
    ASSERT_NE(second, nullptr);
    const KTImageCollectionViewCell *active = second->visibleCells().value(source.groups[1][2]->path());
    ASSERT_NE(active, nullptr);
    EXPECT_TRUE(active->isSelected() && active->isActive());

    // A double click on the second group's third image reports flat index 6, not 2.
    const QPointF centre =
        KTGridGeometry::flipped(browser->frameForImageCellAtIndex(6), browser->height()).center();
    click(browser, centre, QEvent::MouseButtonDblClick);
    EXPECT_EQ(source.events, QStringList{"double 6"});

    // Select all and deselect all through the keys; the empty browser has no selection.
    QKeyEvent selectAll = key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(browser->performKeyDown(selectAll));
    EXPECT_EQ(browser->selection().size(), 9u);
    EXPECT_TRUE(browser->performKeyDown(key(Qt::Key_D, Qt::ControlModifier)));
    EXPECT_EQ(browser->selection(), Indexes{6});
    source.groups.clear();
    browser->reloadData();
    EXPECT_TRUE(browser->selection().empty());
    EXPECT_EQ(browser->activeIndex(), std::nullopt);
    EXPECT_TRUE(browser->performKeyDown(key(Qt::Key_Down)));
}

TEST(KTGrouppedImagesBrowserViewTest, DayBandsAndRejectButtons)
{
    KTGridTestSession session;
    const QList<KTImageMO *> records = session.addRecords(6);
    records[0]->setTimeStamp(QDateTime(QDate(2024, 3, 5), QTime(10, 0)));
    records[1]->setTimeStamp(QDateTime(QDate(2024, 3, 5), QTime(10, 1)));
    records[2]->setTimeStamp(QDateTime(QDate(2024, 4, 5), QTime(9, 0)));
    records[3]->setTimeStamp(QDateTime(QDate(2024, 4, 5), QTime(11, 0)));
    GroupSource source;
    source.fill(records, {2, 1, 1, 2});
    ShownGroups<KTGrouppedImagesBrowserView> shown(source, QSize(700, 900));
    KTGrouppedImagesBrowserView *browser = shown.list;
    browser->setShowDateTitles(true);
    EXPECT_TRUE(browser->showsDaySectionForGroupAtIndex(0));
    EXPECT_TRUE(browser->showsDaySectionForGroupAtIndex(1)); // 5 April after 5 March
    EXPECT_FALSE(browser->showsDaySectionForGroupAtIndex(2));
    EXPECT_FALSE(browser->showsDaySectionForGroupAtIndex(3)); // no time stamp at all

    // The reject button of a selected thumbnail takes the whole selection, led by its image.
    browser->selectIndexes({0, 2, 3}, 0);
    auto *row = browser->cellAtIndex(1);
    ASSERT_NE(row, nullptr);
    KTImageCollectionViewCell *cell = row->visibleCells().value(records[2]->path());
    ASSERT_NE(cell, nullptr);
    cell->trashButton()->click();
    EXPECT_TRUE(records[0]->rejected().value_or(false) && records[2]->rejected().value_or(false) &&
                records[3]->rejected().value_or(false));
    EXPECT_FALSE(records[1]->rejected().value_or(false));
}

TEST(KTGrouppedImagesBrowserViewTest, DraggingOutCarriesTheSelectedFilesAcrossGroups)
{
    KTGridTestSession session;
    GroupSource source;
    source.fill(session.addImages(5), {2, 3});
    session.cacheThumbnails(source.groups[0] + source.groups[1]);
    ShownGroups<DragRecordingBrowser> shown(source, QSize(700, 700));
    DragRecordingBrowser *browser = shown.list;
    browser->selectIndexes({1, 3, 4}, 3);

    const QPointF start =
        KTGridGeometry::flipped(browser->frameForImageCellAtIndex(3), browser->height()).center();
    QMouseEvent press(QEvent::MouseButtonPress, start, browser->mapToGlobal(start), Qt::LeftButton,
                      Qt::LeftButton, {});
    QApplication::sendEvent(browser, &press);
    EXPECT_EQ(browser->selection(), (Indexes{1, 3, 4}));
    const QPointF moved = start + QPointF(6, 0);
    QMouseEvent move(QEvent::MouseMove, moved, browser->mapToGlobal(moved), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(browser, &move);
    ASSERT_EQ(browser->drags.size(), 1u);
    EXPECT_EQ(browser->drags[0], (QList<QUrl>{QUrl::fromLocalFile(source.groups[0][1]->path()),
                                              QUrl::fromLocalFile(source.groups[1][1]->path()),
                                              QUrl::fromLocalFile(source.groups[1][2]->path())}));
}
