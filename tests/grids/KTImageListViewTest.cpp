#include "KTImageListView.h"

#include "KTAbstractButton.h"
#include "KTGridScrollView.h"
#include "KTGridTestSession.h"
#include "KTImageCollectionViewCell.h"
#include "KTImageCollectionViewCellImageView.h"
#include "KTImageCollectionViewCellMouseEventHandlingView.h"
#include "KTImageCollectionViewCellNumberField.h"
#include "KTImageCollectionViewCellRootView.h"
#include "KTImageCollectionViewCellsManager.h"
#include "KTImageCollectionViewImageFlagStatusView.h"
#include "KTImageGroupNavigationView.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTScrollHost.h"
#include "KTTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

using Indexes = std::set<qsizetype>;

/// A list in a shown scroll view, with `source` as data source and delegate.
template <class List = KTImageListView> struct ShownList
{
    explicit ShownList(KTTestListSource &source, QSize size = QSize(480, 340))
    {
        list = new List;
        list->setDataSource(&source);
        list->setDelegate(&source);
        scroll.setDocumentView(list);
        scroll.resize(size);
        scroll.show();
        list->reloadData();
        list->layoutCells();
    }
    KTGridScrollView scroll;
    List *list = nullptr;
};

/// A list that keeps the drags it would start.
class DragRecordingList : public KTImageListView
{
public:
    struct Drag
    {
        QList<QUrl> urls;
        QImage picture;
    };
    std::vector<Drag> drags;

protected:
    void beginDraggingSession(std::unique_ptr<QMimeData> data, const QImage &picture, const QPoint &) override
    {
        drags.push_back({data->urls(), picture});
    }
};

/// A scroll view stand-in: the visible part is whatever the test says, and scrolling moves it.
struct FakeScrollHost : KTScrollHost
{
    QRectF documentVisibleRect() const override { return visible; }
    void scrollToPoint(const QPointF &origin) override
    {
        scrolls.append(origin);
        visible.moveTo(origin);
    }
    QRectF visible;
    QList<QPointF> scrolls;
};

QKeyEvent key(int code, Qt::KeyboardModifiers modifiers = {})
{
    return QKeyEvent(QEvent::KeyPress, code, modifiers);
}

void sendMouse(QWidget *widget, QEvent::Type type, const QPointF &position, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = {})
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, position, widget->mapToGlobal(position), button, buttons, modifiers);
    QApplication::sendEvent(widget, &event);
}

QPointF centreOfCell(KTImageListView *list, qsizetype index)
{
    return list->qtFrameForCellAtIndex(index).center();
}

} // namespace

// Five images in three columns unless a case says otherwise; each case starts from its selection
// and presses its keys in order.
TEST(KTImageListViewTest, KeyTable)
{
    KTGridTestSession session;
    const QList<KTImageMO *> records = session.addRecords(8);
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    struct Case
    {
        const char *name;
        qsizetype count;
        bool compare;
        Indexes selection;
        qsizetype active;
        std::vector<std::pair<int, Qt::KeyboardModifiers>> keys;
        Indexes expected;
        std::optional<qsizetype> expectedActive;
    };
    const Case cases[] = {
        {"left wraps to the last", 5, false, {0}, 0, {{Qt::Key_Left, {}}}, {4}, 4},
        {"up in the first row stays", 5, false, {0}, 0, {{Qt::Key_Up, {}}}, {0}, 0},
        {"up a row", 5, false, {4}, 4, {{Qt::Key_Up, {}}}, {1}, 1},
        {"right wraps to the first", 5, false, {4}, 4, {{Qt::Key_Right, {}}}, {0}, 0},
        {"down in the last row stays", 5, false, {4}, 4, {{Qt::Key_Down, {}}}, {4}, 4},
        {"down a row", 5, false, {0}, 0, {{Qt::Key_Down, {}}}, {3}, 3},
        {"shift right three times",
         5,
         false,
         {1},
         1,
         {{Qt::Key_Right, shift}, {Qt::Key_Right, shift}, {Qt::Key_Right, shift}},
         {1, 2, 3, 4},
         1},
        {"then shift left gives one back",
         5,
         false,
         {1},
         1,
         {{Qt::Key_Right, shift}, {Qt::Key_Right, shift}, {Qt::Key_Right, shift}, {Qt::Key_Left, shift}},
         {1, 2, 3},
         1},
        {"shift right at the end changes nothing",
         5,
         false,
         {1},
         1,
         {{Qt::Key_Right, shift}, {Qt::Key_Right, shift}, {Qt::Key_Right, shift}, {Qt::Key_Right, shift}},
         {1, 2, 3, 4},
         1},
        {"shift right then left returns",
         5,
         false,
         {2},
         2,
         {{Qt::Key_Right, shift}, {Qt::Key_Left, shift}},
         {2},
         2},
        {"ctrl right cycles the active image", 6, false, {1, 3, 5}, 5, {{Qt::Key_Right, ctrl}}, {1, 3, 5}, 1},
        {"ctrl left cycles back", 6, false, {1, 3, 5}, 1, {{Qt::Key_Left, ctrl}}, {1, 3, 5}, 5},
        {"ctrl d keeps the active image", 5, false, {1, 2, 3}, 2, {{Qt::Key_D, ctrl}}, {2}, 2},
        {"ctrl a selects all", 5, false, {3}, 3, {{Qt::Key_A, ctrl}}, {0, 1, 2, 3, 4}, 3},
        {"compare: right moves the other", 8, true, {2, 5}, 2, {{Qt::Key_Right, {}}}, {2, 6}, 2},
        {"compare: ctrl right moves the active", 8, true, {2, 5}, 2, {{Qt::Key_Right, ctrl}}, {3, 5}, 3},
        {"compare: the active jumps the other", 8, true, {4, 5}, 4, {{Qt::Key_Right, ctrl}}, {5, 6}, 6},
        {"compare: one image, nothing", 1, true, {0}, 0, {{Qt::Key_Right, {}}}, {}, std::nullopt},
        {"empty list", 0, false, {}, 0, {{Qt::Key_Right, {}}, {Qt::Key_Up, {}}}, {}, std::nullopt},
        {"empty list: ctrl a", 0, false, {}, 0, {{Qt::Key_A, ctrl}}, {}, std::nullopt},
        {"empty list: ctrl d", 0, false, {}, 0, {{Qt::Key_D, ctrl}}, {}, std::nullopt},
    };
    for (const Case &c : cases) {
        KTTestListSource source;
        source.images = records.mid(0, c.count);
        ShownList shown(source);
        KTImageListView *list = shown.list;
        ASSERT_EQ(c.count == 0 || list->numberOfColumns() == 3, true) << c.name;
        list->setCompareMode(c.compare);
        list->selectIndexes(c.selection, c.active);
        for (const auto &[code, modifiers] : c.keys) {
            const QKeyEvent event = key(code, modifiers);
            EXPECT_TRUE(list->performKeyDown(event)) << c.name;
        }
        EXPECT_EQ(list->selection(), c.expected) << c.name;
        EXPECT_EQ(list->activeIndex(), c.expectedActive) << c.name;
    }
}

// Delete, and the shifted forms that go to the system trash: the shifted Delete must not be taken
// for the plain one.
TEST(KTImageListViewTest, DeleteKeysRejectOrTrashTheSelection)
{
    KTGridTestSession session;
    KTTestListSource source;
    source.images = session.addRecords(4);
    ShownList shown(source);
    KTImageListView *list = shown.list;
    auto alerts = KTScriptedAlertPresenter::install();

    const struct
    {
        Qt::Key code;
        Qt::KeyboardModifiers modifiers;
        bool toSystemTrash;
    } cases[] = {
        {Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier, true},
        {Qt::Key_Backspace, Qt::ControlModifier | Qt::ShiftModifier, true},
        {Qt::Key_Delete, {}, false},
    };
    for (const auto &c : cases) {
        list->selectIndexes({1, 2}, 2);
        alerts->answer(0); // "Cancel" if the catalogue asks
        const std::size_t asked = alerts->shown().size();
        EXPECT_TRUE(list->performKeyDown(key(c.code, c.modifiers)));
        EXPECT_EQ(alerts->shown().size(), asked + (c.toSystemTrash ? 1 : 0)) << c.code;
        EXPECT_EQ(source.images[1]->rejected().value_or(false), !c.toSystemTrash) << c.code;
        EXPECT_EQ(source.images[2]->rejected().value_or(false), !c.toSystemTrash) << c.code;
    }
    // Delete again: the active image is rejected, so the selection comes back.
    source.images[1]->setRejected(false);
    EXPECT_TRUE(list->performKeyDown(key(Qt::Key_Delete)));
    EXPECT_FALSE(source.images[1]->rejected().value_or(false));
    EXPECT_FALSE(source.images[2]->rejected().value_or(false));
    EXPECT_FALSE(list->performKeyDown(key(Qt::Key_Backspace)));
}

TEST(KTImageListViewTest, ARefusedCtrlKeyDoesNothingAndIsNotClaimed)
{
    KTGridTestSession session;
    KTTestListSource source;
    source.images = session.addRecords(5);
    source.refusedKeys = {QStringLiteral("a"), QStringLiteral("d")};
    ShownList shown(source);
    KTImageListView *list = shown.list;
    list->selectIndexes({1}, 1);
    EXPECT_FALSE(list->wantsKey(key(Qt::Key_A, Qt::ControlModifier)));
    EXPECT_FALSE(list->performKeyDown(key(Qt::Key_A, Qt::ControlModifier)));
    EXPECT_EQ(list->selection(), Indexes{1});
    EXPECT_EQ(source.selectionChanges, 0);
    EXPECT_FALSE(list->wantsKey(key(Qt::Key_C, Qt::ControlModifier)));
    EXPECT_TRUE(list->wantsKey(key(Qt::Key_Right)));
}

// The window's menu shortcuts and the list's keys: the list takes its own keys while it has the
// focus, and leaves the others (and the ones its delegate refuses) to the menu.
TEST(KTImageListViewTest, TheListClaimsItsKeysBeforeTheMenuShortcuts)
{
    KTGridTestSession session;
    KTTestListSource source;
    source.images = session.addRecords(5);
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *scroll = new KTGridScrollView(Qt::Vertical, &window);
    auto *list = new KTImageListView;
    list->setDataSource(&source);
    list->setDelegate(&source);
    scroll->setDocumentView(list);
    layout->addWidget(scroll);
    int selectAllMenu = 0, nextImageMenu = 0, copyMenu = 0;
    const auto addShortcut = [&](const QKeySequence &sequence, int &counter) {
        auto *action = new QAction(&window);
        action->setShortcut(sequence);
        QObject::connect(action, &QAction::triggered, [&counter] { ++counter; });
        window.addAction(action);
    };
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_A), selectAllMenu);
    addShortcut(QKeySequence(Qt::Key_Right), nextImageMenu);
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_C), copyMenu);
    window.resize(480, 340);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    list->reloadData();
    list->setFocus();
    list->selectIndexes({1}, 1);

    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list->selection().size(), 5u);
    EXPECT_EQ(selectAllMenu, 0);
    QTest::keyClick(list, Qt::Key_Right); // from the last selected image, round to the first
    EXPECT_EQ(list->selection(), Indexes{0});
    EXPECT_EQ(nextImageMenu, 0);
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(copyMenu, 1);

    source.refusedKeys = {QStringLiteral("a")};
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selectAllMenu, 1);
    EXPECT_EQ(list->selection(), Indexes{0});
}

TEST(KTImageListViewTest, ClickTable)
{
    KTGridTestSession session;
    const QList<KTImageMO *> records = session.addRecords(8);
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    const struct
    {
        const char *name;
        bool compare;
        Indexes selection;
        qsizetype active;
        qsizetype clicked;
        Qt::KeyboardModifiers modifiers;
        Indexes expected;
        qsizetype expectedActive;
    } cases[] = {
        {"plain click selects only it", false, {1, 2}, 1, 4, {}, {4}, 4},
        {"plain click on a selected one activates it", false, {1, 3}, 1, 3, {}, {1, 3}, 3},
        {"shift selects the range", false, {1, 6}, 1, 4, shift, {1, 2, 3, 4}, 1},
        {"shift extends backwards", false, {5}, 5, 2, shift, {2, 3, 4, 5}, 5},
        {"ctrl adds", false, {1}, 1, 3, ctrl, {1, 3}, 1},
        {"ctrl removes the active one", false, {1, 3}, 1, 1, ctrl, {3}, 3},
        {"ctrl removes the last one", false, {4}, 4, 4, ctrl, {0}, 0},
        {"shift and ctrl add the range", false, {0, 6}, 0, 2, shift | ctrl, {0, 1, 2, 6}, 0},
        {"compare: the other becomes active", true, {2, 5}, 2, 5, {}, {2, 5}, 5},
        {"compare: a third takes the active's place", true, {2, 5}, 2, 7, {}, {5, 7}, 7},
        {"compare: the active stays", true, {2, 5}, 2, 2, shift, {2, 5}, 2},
    };
    KTTestListSource source;
    source.images = records;
    ShownList shown(source);
    for (const auto &c : cases) {
        shown.list->setCompareMode(c.compare);
        shown.list->selectIndexes(c.selection, c.active);
        shown.list->updateSelectionForClickedIndex(c.clicked, c.modifiers);
        EXPECT_EQ(shown.list->selection(), c.expected) << c.name;
        EXPECT_EQ(shown.list->activeIndex(), c.expectedActive) << c.name;
    }
}

TEST(KTImageListViewTest, MouseClicksSelectAndADoubleClickReportsWithoutASelectionMessage)
{
    KTGridTestSession session;
    KTTestListSource source;
    source.images = session.addRecords(6);
    ShownList shown(source);
    KTImageListView *list = shown.list;
    list->selectIndexes({0}, 0);

    sendMouse(list, QEvent::MouseButtonPress, centreOfCell(list, 4), Qt::LeftButton, Qt::ShiftModifier);
    sendMouse(list, QEvent::MouseButtonRelease, centreOfCell(list, 4), Qt::NoButton, Qt::ShiftModifier);
    EXPECT_EQ(list->selection(), (Indexes{0, 1, 2, 3, 4}));
    EXPECT_EQ(source.selectionChanges, 1);
    EXPECT_EQ(list->activeImageMO(), source.images[4]);
    EXPECT_TRUE(list->hasFocus() || !list->isActiveWindow());

    sendMouse(list, QEvent::MouseButtonDblClick, centreOfCell(list, 2), Qt::LeftButton);
    EXPECT_EQ(list->activeIndex(), 2);
    EXPECT_EQ(source.doubleClicks, QList<qsizetype>{2});
    EXPECT_EQ(source.selectionChanges, 1);

    // A press between cells changes nothing.
    sendMouse(list, QEvent::MouseButtonPress, QPointF(1, 1), Qt::LeftButton);
    EXPECT_EQ(source.selectionChanges, 1);
}

TEST(KTImageListViewTest, AReloadToFewerImagesKeepsOneActiveImage)
{
    KTGridTestSession session;
    KTTestListSource source;
    source.images = session.addRecords(8);
    ShownList shown(source);
    shown.list->selectIndexes({2, 6, 7}, 7);
    source.images = source.images.mid(0, 4);
    shown.list->reloadData();
    EXPECT_EQ(shown.list->selection(), Indexes{2});
    EXPECT_EQ(shown.list->activeIndex(), 2);
}

// 20,000 images scrolled from the top to the bottom a page at a time: only the cells of the visible
// rows (and the previous step's) exist, and after the first pages no cell is made any more.
TEST(KTImageListViewTest, OnlyVisibleCellsExistWhileScrollingTwentyThousandImages)
{
    KTGridTestSession session;
    KTTestListSource source;
    source.images = session.addRecords(20000);
    ShownList shown(source, QSize(800, 600));
    KTImageListView *list = shown.list;
    KTImageCollectionViewCellsManager &pool = KTImageCollectionViewCellsManager::sharedManager();
    const qsizetype columns = list->numberOfColumns();
    const qsizetype visibleRows = qsizetype(std::ceil(600.0 / list->cellSize())) + 1;
    QScrollBar *bar = shown.scroll.verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);

    unsigned allocatedAfterWarmUp = 0;
    int step = 0;
    for (int value = 0;; value = std::min(value + bar->pageStep(), bar->maximum()), ++step) {
        bar->setValue(value);
        EXPECT_EQ(pool.numberOfCellsInUse(), unsigned(list->visibleCells().size()));
        EXPECT_LE(qsizetype(list->visibleCells().size()), 2 * visibleRows * columns) << value;
        if (step == 2)
            allocatedAfterWarmUp = pool.numberOfAllocatedCells();
        if (value == bar->maximum())
            break;
    }
    EXPECT_GT(step, 100);
    EXPECT_EQ(pool.numberOfAllocatedCells(), allocatedAfterWarmUp);
    // At rest, one more layout leaves exactly the cells on screen.
    list->clipViewBoundsDidChange();
    const std::vector<qsizetype> onScreen =
        list->indexesOfCellsThatIntersectRect(shown.scroll.documentVisibleRect());
    EXPECT_EQ(qsizetype(list->visibleCells().size()), qsizetype(onScreen.size()));
    EXPECT_EQ(onScreen.back(), 19999);
}

// A scroll step hands the cells that left the view to the indexes that came in, moving them from
// one record to another: each shows its new record's number, picture and state, in both
// directions and by rows and pages.
TEST(KTImageListViewTest, CellsMovedByAScrollShowTheirNewRecord)
{
    KTGridTestSession session;
    KTTestListSource source;
    source.images = session.addRecords(400);
    for (qsizetype i = 0; i < source.images.size(); ++i) {
        source.images[i]->setPicked(i % 3 == 0);
        source.images[i]->setRejected(i % 5 == 0);
    }
    session.storage().processPendingChanges();
    ShownList shown(source, QSize(800, 600));
    KTImageListView *list = shown.list;
    QScrollBar *bar = shown.scroll.verticalScrollBar();
    const int row = int(list->cellSize());
    std::vector<int> values;
    for (int value = 0; value < bar->maximum(); value += bar->pageStep())
        values.push_back(value);
    for (int value = bar->maximum(); value > 0; value -= row)
        values.push_back(value);
    for (int value : values) {
        bar->setValue(value);
        ASSERT_FALSE(list->visibleCells().isEmpty()) << value;
        for (KTImageCollectionViewCell *cell : list->visibleCells()) {
            const qsizetype index = qsizetype(cell->index());
            const KTImageMO *record = source.images.value(index);
            ASSERT_EQ(cell->imageMO(), record) << value;
            EXPECT_EQ(cell->cellNumberField()->text(), QString::number(index + 1)) << value;
            EXPECT_EQ(cell->imageView()->imageMO(), record) << value;
            EXPECT_FALSE(cell->imageView()->image().isNull()) << index;
            EXPECT_EQ(cell->imageView()->isRejected(), index % 5 == 0) << index;
            EXPECT_EQ(cell->flagStatusView()->isVisible(), index % 3 == 0) << index;
        }
    }
}

TEST(KTImageListViewTest, ScrollingRulesThroughTheScrollHost)
{
    KTGridTestSession session;
    KTTestListSource source;
    source.images = session.addRecords(60);
    FakeScrollHost host;
    KTImageListView list;
    list.setDataSource(&source);
    list.setScrollHost(&host);
    host.visible = QRectF(0, 0, 456, 300);
    list.layoutCells();
    list.reloadData();
    const double height = list.height();
    ASSERT_EQ(height, 20 * 150 + 4); // 3 columns of 150, 20 rows
    host.visible.moveTop(height - 300);
    list.clipViewBoundsDidChange();

    // A cell below the visible part: the least scroll that shows it whole.
    list.scrollCellToVisibleAtIndex(10);
    ASSERT_EQ(host.scrolls.size(), 1);
    EXPECT_TRUE(host.visible.contains(list.frameForCellAtIndex(10)));
    EXPECT_EQ(host.visible.y(), list.frameForCellAtIndex(10).y());
    // Already visible: no scroll.
    list.scrollCellToVisibleAtIndex(9);
    EXPECT_EQ(host.scrolls.size(), 1);

    // The visible centre stays at the same fraction of the height when the width changes.
    host.visible.moveTop(height / 2 - 150);
    list.clipViewBoundsDidChange();
    EXPECT_DOUBLE_EQ(list.visibleAmount(), 0.5);
    host.visible.setWidth(310); // two columns: twice as high
    list.layoutCells();
    list.adjustVisibleAmount();
    EXPECT_NEAR(host.visible.center().y() / list.height(), 0.5, 0.01);

    // At the top end the position is left as it is.
    host.visible.moveTop(list.height() - 300);
    list.clipViewBoundsDidChange();
    const qsizetype scrolls = host.scrolls.size();
    host.visible.setWidth(456);
    list.layoutCells();
    list.adjustVisibleAmount();
    EXPECT_EQ(host.scrolls.size(), scrolls);
}

TEST(KTImageListViewTest, DraggingOutCarriesTheSelectedFilesWithACountBadge)
{
    KTGridTestSession session;
    KTTestListSource source;
    source.images = session.addImages(4);
    session.cacheThumbnails(source.images);
    ShownList<DragRecordingList> shown(source);
    DragRecordingList *list = shown.list;
    list->selectIndexes({0, 1, 3}, 0);

    const QPointF start = centreOfCell(list, 1);
    sendMouse(list, QEvent::MouseButtonPress, start, Qt::LeftButton);
    EXPECT_EQ(list->selection(), (Indexes{0, 1, 3}));
    sendMouse(list, QEvent::MouseMove, start + QPointF(3, 4), Qt::LeftButton); // exactly 5 points
    EXPECT_TRUE(list->drags.empty());
    sendMouse(list, QEvent::MouseMove, start + QPointF(3, 4.1), Qt::LeftButton);
    ASSERT_EQ(list->drags.size(), 1u);
    const QList<QUrl> expected{QUrl::fromLocalFile(source.images[0]->path()),
                               QUrl::fromLocalFile(source.images[1]->path()),
                               QUrl::fromLocalFile(source.images[3]->path())};
    EXPECT_EQ(list->drags[0].urls, expected);
    // The red pill sits at the lower right of the picture.
    const QImage &picture = list->drags[0].picture;
    const QColor corner = picture.pixelColor(int(picture.width() - 9 * picture.devicePixelRatio()),
                                             int(picture.height() - 11 * picture.devicePixelRatio()));
    EXPECT_GT(corner.red(), 200);
    EXPECT_LT(corner.green(), 80);
    // One press, one drag.
    sendMouse(list, QEvent::MouseMove, start + QPointF(30, 30), Qt::LeftButton);
    EXPECT_EQ(list->drags.size(), 1u);
    sendMouse(list, QEvent::MouseButtonRelease, start + QPointF(30, 30), Qt::NoButton);

    // A single image goes without a badge.
    sendMouse(list, QEvent::MouseButtonPress, centreOfCell(list, 2), Qt::LeftButton);
    sendMouse(list, QEvent::MouseMove, centreOfCell(list, 2) + QPointF(10, 0), Qt::LeftButton);
    ASSERT_EQ(list->drags.size(), 2u);
    EXPECT_EQ(list->drags[1].urls, QList<QUrl>{QUrl::fromLocalFile(source.images[2]->path())});
    const KTImageCollectionViewCell *cell = list->visibleCells().value(source.images[2]->path());
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(list->drags[1].picture, cell->imageView()->imageForDragging());
}

TEST(KTImageListViewTest, CopyPutsFilesOnTheClipboardForFileManagers)
{
    KTGridTestSession session;
    KTTestListSource source;
    source.images = session.addRecords(5);
    ShownList shown(source);
    KTImageListView *list = shown.list;
    list->selectIndexes({1, 3}, 3);
    EXPECT_EQ(list->copySelectedImagesToPasteboard(), 2);
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->urls(), (QList<QUrl>{QUrl::fromLocalFile(source.images[1]->path()),
                                         QUrl::fromLocalFile(source.images[3]->path())}));
    EXPECT_EQ(data->data(QStringLiteral("x-special/gnome-copied-files")),
              "copy\n" + QUrl::fromLocalFile(source.images[1]->path()).toEncoded() + "\n" +
                  QUrl::fromLocalFile(source.images[3]->path()).toEncoded());

    // Compare mode: the image last pressed, only while it is one of the pair shown.
    list->setCompareMode(true);
    list->selectIndexes({1, 3}, 1);
    sendMouse(list, QEvent::MouseButtonPress, centreOfCell(list, 3), Qt::LeftButton);
    sendMouse(list, QEvent::MouseButtonRelease, centreOfCell(list, 3), Qt::NoButton);
    EXPECT_EQ(list->selectedImagesURLs(), QList<QUrl>{QUrl::fromLocalFile(source.images[3]->path())});
    // The keys move the pair on: the pressed image is no longer shown, so the active one goes.
    list->selectIndexes({0, 4}, 4);
    EXPECT_EQ(list->selectedImagesURLs(), QList<QUrl>{QUrl::fromLocalFile(source.images[4]->path())});
}

TEST(KTImageListViewTest, PickAndRejectButtonsReachTheCatalogue)
{
    KTGridTestSession session;
    KTTestListSource source;
    source.images = session.addRecords(5);
    ShownList shown(source);
    KTImageListView *list = shown.list;
    const auto cellOf = [&](qsizetype index) {
        return list->visibleCells().value(source.images[index]->path());
    };
    const auto rejected = [&](qsizetype index) { return source.images[index]->rejected().value_or(false); };
    const auto picked = [&](qsizetype index) { return source.images[index]->picked().value_or(false); };
    list->selectIndexes({0, 1, 2}, 0);

    // An unselected thumbnail: only its own image, whatever the selection.
    list->onTrashClicked(cellOf(4));
    EXPECT_TRUE(rejected(4));
    EXPECT_FALSE(rejected(0));
    // A selected one: the whole selection, led by its own state.
    list->onTrashClicked(cellOf(1));
    EXPECT_TRUE(rejected(0) && rejected(1) && rejected(2));
    list->onTrashClicked(cellOf(1));
    EXPECT_FALSE(rejected(0) || rejected(1) || rejected(2));

    cellOf(2)->flagButton()->click();
    EXPECT_TRUE(picked(0) && picked(1) && picked(2));
    EXPECT_FALSE(picked(3));
    cellOf(3)->flagButton()->click();
    EXPECT_TRUE(picked(3));
    EXPECT_TRUE(picked(0));

    list->putBackSelectedImages();
    source.images[0]->setRejected(true);
    list->putBackSelectedImages();
    EXPECT_EQ(source.images[0]->rejected(), std::nullopt);

    // The system trash, confirmed: the files go and so do their records.
    auto alerts = KTScriptedAlertPresenter::install();
    QStringList recycled;
    session.storage().setFileRecycler([&](const QString &path, QString *) {
        recycled.append(path);
        return true;
    });
    list->selectIndexes({3, 4}, 3);
    list->deleteSelectedImagesToSystemTrash();
    ASSERT_TRUE(waitUntil([&] { return source.images[3]->isDeleted() && source.images[4]->isDeleted(); }));
    EXPECT_EQ(recycled, (QStringList{source.images[3]->path(), source.images[4]->path()}));
}

TEST(KTImageGroupNavigationViewTest, ButtonsAroundTheLineEnabledByTheNeighbouringGroups)
{
    KTGridTestSession session;
    KTTestListSource source;
    const QList<KTImageMO *> neighbours = session.addRecords(2, QStringLiteral("NB_"));
    source.images = session.addRecords(3);
    KTGridScrollView scroll(Qt::Horizontal);
    auto *strip = new KTImageGroupNavigationView;
    auto *previous = new KTAbstractButton;
    auto *next = new KTAbstractButton;
    previous->resize(80, 90);
    next->resize(80, 90);
    strip->setPreviousGroupButton(previous);
    strip->setNextGroupButton(next);
    strip->setDataSource(&source);
    scroll.setDocumentView(strip);
    scroll.resize(900, 130);

    // No cells: the buttons are neither added nor moved.
    KTTestListSource empty;
    strip->setDataSource(&empty);
    scroll.show();
    strip->reloadData();
    EXPECT_EQ(previous->parentWidget(), nullptr);

    strip->setDataSource(&source);
    strip->reloadData();
    ASSERT_EQ(previous->parentWidget(), strip);
    const QRectF first = strip->qtFrameForCellAtIndex(0);
    const QRectF last = strip->qtFrameForCellAtIndex(2);
    EXPECT_LT(previous->geometry().right(), first.left());
    EXPECT_GT(next->geometry().left(), last.right());
    // The line with its buttons is centred, the offset a whole number of points.
    EXPECT_EQ(strip->firstCellOffset(), std::floor(strip->firstCellOffset()));
    EXPECT_NEAR(previous->geometry().left() - 0.0, strip->width() - next->geometry().right() - 1, 32.0);

    // At the first group there is no previous one; at the last no next one.
    strip->setPrevGroupImage(nullptr);
    strip->setNextGroupImage(neighbours[1]);
    EXPECT_FALSE(previous->isButtonEnabled());
    EXPECT_TRUE(next->isButtonEnabled());
    strip->setPrevGroupImage(neighbours[0]);
    strip->setNextGroupImage(nullptr);
    EXPECT_TRUE(previous->isButtonEnabled());
    EXPECT_FALSE(next->isButtonEnabled());
    EXPECT_FALSE(previous->pictogram().isNull());

    // Compare mode: the compare colours on every thumbnail.
    strip->setCompareMode(true);
    strip->reloadData();
    for (KTImageCollectionViewCell *cell : strip->visibleCells())
        EXPECT_EQ(cell->cellType(), unsigned(KTImageCollectionViewCell::NavigationCell |
                                             KTImageCollectionViewCell::SelectableList |
                                             KTImageCollectionViewCell::CompareColors));
}
