#include "KTImageCollectionViewCell.h"

#include "KTAbstractButton.h"
#include "KTAbstractProgressIndicator.h"
#include "KTFocusedRegionsView.h"
#include "KTGridTestSession.h"
#include "KTImageCollectionViewCellDelegate.h"
#include "KTImageCollectionViewCellImageView.h"
#include "KTImageCollectionViewCellMark.h"
#include "KTImageCollectionViewCellMouseEventHandlingView.h"
#include "KTImageCollectionViewCellRootView.h"
#include "KTImageCollectionViewCellSelectionView.h"
#include "KTImageCollectionViewCellsManager.h"
#include "KTImageCollectionViewImageFlagStatusView.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTMenuPresenter.h"
#include "KTShareManager.h"
#include "KTShareSystem.h"
#include "KTNotificationCenter.h"
#include "KTTaskNotifications.h"
#include "KTTasksNotifier.h"
#include "KTTestSupport.h"
#include "KTThumbnailPainting.h"
#include "KTUserDefaults.h"
#include "KTWidgetRendering.h"

#include "KTFont.h"
#include "KTImageCollectionViewCellNumberField.h"

#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QMenu>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

namespace {

bool isShown(const QWidget *widget)
{
    return widget->isVisibleTo(widget->window());
}

/// A mark is drawn when it is on and the view that draws it is shown.
bool isShown(const KTImageCollectionViewCellMark *mark)
{
    return mark->isVisible() && isShown(mark->canvas());
}

struct RecordingDelegate : KTImageCollectionViewCellDelegate
{
    void onTrashClicked(KTImageCollectionViewCell *cell) override { trashClicks.append(cell); }
    void onFlagClicked(KTImageCollectionViewCell *cell) override { flagClicks.append(cell); }
    QList<KTImageCollectionViewCell *> trashClicks;
    QList<KTImageCollectionViewCell *> flagClicks;
};

/// A cell from the pool, placed in a shown window the way a grid places it.
struct PlacedCell
{
    explicit PlacedCell(QSize size = QSize(150, 150))
    {
        window.resize(400, 400);
        cell = KTImageCollectionViewCellsManager::sharedManager().cell();
        cell->rootView()->setParent(&window);
        cell->rootView()->setGeometry(QRect(QPoint(10, 10), size));
        cell->rootView()->show();
        cell->setCellType(KTImageCollectionViewCell::PlainGridCell);
        cell->setDelegate(&delegate);
        window.show();
    }
    ~PlacedCell()
    {
        cell->setImageMO(nullptr);
        cell->setDelegate(nullptr);
        cell->setIsSelected(false);
        cell->setIsActive(false);
        cell->mouseEventHandlingView()->setMouseInBounds(false);
        KTImageCollectionViewCellsManager::sharedManager().hideCell(cell);
        cell->rootView()->setParent(nullptr);
    }
    QWidget window;
    RecordingDelegate delegate;
    KTImageCollectionViewCell *cell = nullptr;
};

/// Records what the share manager's items hand to the desktop.
struct RecordingShareSystem : KTShareSystem
{
    void showItemsInFileManager(const QStringList &paths, std::function<void(bool)> done) override
    {
        revealed = paths;
        done(true);
    }
    bool openFolder(const QString &) override { return true; }
    QList<KTDesktopEntry> imageEditors() override { return {}; }
    std::optional<KTDesktopEntry> applicationForExportTarget(const QString &) override
    {
        return std::nullopt;
    }
    bool openWithApplication(const KTDesktopEntry &, const QStringList &) override { return true; }
    bool canSendEmail() override { return true; }
    bool sendEmail(const QStringList &paths) override
    {
        mailed = paths;
        return true;
    }
    QStringList revealed;
    QStringList mailed;
};

} // namespace

TEST(KTThumbnailFitTest, FitsInsideTheMarginsCentredAndRounded)
{
    const struct
    {
        QSizeF picture;
        QRectF bounds;
        QRectF expected;
    } cases[] = {
        {{300, 200}, {0, 0, 150, 150}, {5, 28, 140, 93}},   // landscape: width bound
        {{200, 300}, {0, 0, 150, 150}, {28, 5, 93, 140}},   // portrait: height bound
        {{10, 10}, {0, 0, 150, 150}, {5, 5, 140, 140}},     // small pictures are enlarged
        {{100, 67}, {20, 30, 150, 150}, {25, 58, 140, 94}}, // offset bounds; 93.8 rounds up
        {{2, 1}, {0, 0, 13, 13}, {5, 6, 3, 2}},             // a height of 1.5 rounds up
        {{2, 3}, {-20, 0, 15, 16}, {-15, 5, 4, 6}},         // -14.5 rounds away from zero
        {{0, 50}, {0, 0, 150, 150}, {}},
        {{50, 0}, {0, 0, 150, 150}, {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(thumbnailFitRect(c.picture, c.bounds), c.expected)
            << c.picture.width() << "x" << c.picture.height();
}

// The scaled thumbnail and its shadow are kept as one image and drawn with one blend: that gives
// what drawing the shadow and then the scaled picture gives, at 1x and 2x, and a dimmed thumbnail
// still lets its shadow show through.
TEST(KTThumbnailPaintingTest, OneImageDrawsWhatTheShadowAndThePictureDraw)
{
    QImage picture(100, 67, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 2, y * 3, (x * y) % 256));
    const QRectF frame(20, 30, 140, 94);
    for (const qreal ratio : {1.0, 2.0}) {
        for (const double opacity : {1.0, 0.5}) {
            const auto canvas = [ratio] {
                QImage image((QSizeF(200, 170) * ratio).toSize(), QImage::Format_RGB32);
                image.setDevicePixelRatio(ratio);
                image.fill(QColor(60, 60, 60));
                return image;
            };
            QImage drawn = canvas();
            {
                QPainter painter(&drawn);
                drawThumbnailWithShadow(painter, picture, frame, 3.0, QPointF(0, 1), opacity);
            }
            QImage expected = canvas();
            {
                QImage scaled((frame.size() * ratio).toSize(), QImage::Format_RGB32);
                QPainter scaling(&scaled);
                scaling.setRenderHint(QPainter::SmoothPixmapTransform);
                scaling.drawImage(QRect(QPoint(), scaled.size()), picture);
                scaling.end();
                scaled.setDevicePixelRatio(ratio);
                QPainter painter(&expected);
                painter.setOpacity(opacity);
                const double padding = rectangleShadowPadding(3.0);
                painter.drawImage(frame.topLeft() + QPointF(-padding, -padding + 1),
                                  rectangleShadow(frame.size(), 3.0, ratio));
                painter.drawImage(frame.topLeft(), scaled);
            }
            int worst = 0;
            for (int y = 0; y < drawn.height(); ++y) {
                for (int x = 0; x < drawn.width(); ++x) {
                    const QRgb a = drawn.pixel(x, y);
                    const QRgb b = expected.pixel(x, y);
                    worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                      std::abs(qBlue(a) - qBlue(b))});
                }
            }
            EXPECT_LE(worst, 1) << "ratio " << ratio << " opacity " << opacity;
        }
    }
}

// The scaled thumbnails of a session are of no use once it is cleared: they leave the cache with
// it instead of filling it until later sessions push them out.
TEST(KTThumbnailPaintingTest, AClearedSessionTakesItsScaledThumbnailsWithIt)
{
    QImage canvas(400, 300, QImage::Format_RGB32);
    QPainter painter(&canvas);
    const qsizetype before = cachedThumbnailsBytes();
    for (int i = 0; i < 4; ++i) {
        QImage picture(100, 67, QImage::Format_RGB32);
        picture.fill(QColor(40 * i, 90, 90));
        drawThumbnailWithShadow(painter, picture, QRectF(20, 30, 140, 94), 3.0, QPointF(0, 1), 1.0);
    }
    EXPECT_GT(cachedThumbnailsBytes(), before);

    KTNotificationCenter::defaultCenter().post(kTaskDidFinishNotification, nullptr,
                                               {{kTaskNameKey, kCleanSessionTaskName}});
    EXPECT_EQ(cachedThumbnailsBytes(), 0);
}

// A cell's number is laid out from the font's digit glyphs, other text is shaped: either way the
// field fits the measured text and the text's ink sits where drawn text would.
TEST(KTImageCollectionViewCellNumberFieldTest, FitsItsTextAndDrawsItInPlace)
{
    const QFont font = ktSmallFont();
    const QFontMetricsF metrics(font);
    const auto inkBox = [](const QImage &image) {
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) > 90)
                    box |= QRect(x, y, 1, 1);
        return box;
    };
    for (const QString &text : {QStringLiteral("7"), QStringLiteral("20000"), QStringLiteral("12a"),
                                QStringLiteral("1234567890")}) {
        QWidget canvas;
        KTImageCollectionViewCellNumberField field(&canvas);
        field.setText(text);
        EXPECT_EQ(field.text(), text);
        EXPECT_EQ(field.size(), QSize(int(std::ceil(metrics.horizontalAdvance(text) + 6)),
                                      int(std::ceil(metrics.height()))))
            << qPrintable(text);

        QImage drawn(field.size(), QImage::Format_RGB32);
        drawn.fill(Qt::black);
        {
            QPainter painter(&drawn);
            field.draw(painter);
        }
        QImage expected(field.size(), QImage::Format_RGB32);
        expected.fill(Qt::black);
        QPainter painter(&expected);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QPointF((field.width() - metrics.horizontalAdvance(text)) / 2,
                                 (field.height() - metrics.height()) / 2 + metrics.ascent()),
                         text);
        painter.end();
        const QRect ink = inkBox(drawn);
        const QRect expectedInk = inkBox(expected);
        ASSERT_FALSE(ink.isEmpty()) << qPrintable(text);
        EXPECT_LE(std::abs(ink.left() - expectedInk.left()), 1) << qPrintable(text);
        EXPECT_LE(std::abs(ink.right() - expectedInk.right()), 1) << qPrintable(text);
        EXPECT_LE(std::abs(ink.top() - expectedInk.top()), 1) << qPrintable(text);
        EXPECT_LE(std::abs(ink.bottom() - expectedInk.bottom()), 1) << qPrintable(text);
    }
}

TEST(KTImageCollectionViewCellImageViewTest, CachedThumbnailShowsAtOnceAndTheSizedOneAfterThePause)
{
    KTGridTestSession session;
    KTImageMO *record = session.addImage(QStringLiteral("red"), QColor(220, 40, 30), QSize(300, 200));
    session.cacheThumbnails({record});
    KTImageCollectionViewCellImageView view;
    view.resize(150, 150);
    view.show();

    view.setImageMO(record);
    // The cached 100-point thumbnail is there before setImageMO returns.
    ASSERT_FALSE(view.image().isNull());
    EXPECT_EQ(view.image().width(), 100);
    EXPECT_TRUE(view.lowResPreviewDidLoad());
    EXPECT_EQ(view.rectForDraw(), QRectF(5, 28, 140, 94));
    EXPECT_FALSE(view.progressIndicator()->isVisibleTo(&view));
    EXPECT_TRUE(view.isPreviewTimerActive());
    EXPECT_FALSE(view.callbackID());

    // Nothing is asked for until the wait is over.
    ASSERT_TRUE(waitUntil([&] { return !view.isPreviewTimerActive(); }));
    EXPECT_TRUE(view.callbackID() || view.previewDidLoad());
    ASSERT_TRUE(waitUntil([&] { return view.previewDidLoad(); }));
    EXPECT_EQ(view.image().width(), 300); // the ladder size for a 150-point view
    EXPECT_TRUE(isNear(centreColor(view.image()), QColor(220, 40, 30)));

    // A new size restarts the wait, withdrawing nothing that was delivered.
    view.resize(160, 160);
    EXPECT_TRUE(view.isPreviewTimerActive());
}

// The old record's answers are held back by the queue and released after the view moved on:
// none of them may reach the view.
TEST(KTImageCollectionViewCellImageViewTest, AReusedViewNeverShowsThePictureOfItsFormerRecord)
{
    KTGridTestSession session(KTGridTestSession::Thumbnails::Gated);
    KTImageMO *red = session.addImage(QStringLiteral("red"), QColor(220, 40, 30));
    KTImageMO *blue = session.addImage(QStringLiteral("blue"), QColor(40, 60, 220));
    KTImageCollectionViewCellImageView view;
    view.resize(150, 150);

    view.setImageMO(red);
    view.reloadPreviewTimerAction();
    EXPECT_TRUE(view.lowResCallbackID());
    EXPECT_TRUE(view.callbackID());
    EXPECT_TRUE(view.progressIndicator()->isVisibleTo(&view));

    view.setImageMO(blue);
    view.reloadPreviewTimerAction();
    session.openThumbnails();
    session.waitForThumbnailWork();

    EXPECT_TRUE(view.lowResPreviewDidLoad());
    EXPECT_TRUE(view.previewDidLoad());
    EXPECT_TRUE(isNear(centreColor(view.image()), QColor(40, 60, 220)));
    EXPECT_FALSE(view.progressIndicator()->isVisibleTo(&view));
}

TEST(KTImageCollectionViewCellImageViewTest, ShowingNoRecordLetsGoOfTheRecordAndShowsNothing)
{
    KTGridTestSession session(KTGridTestSession::Thumbnails::Gated);
    KTImageMO *record = session.addImage(QStringLiteral("grey"));
    KTImageCollectionViewCellImageView view;
    view.resize(150, 150);
    view.setImageMO(record);
    ASSERT_TRUE(record->isMonitoringFileSystem());

    view.setImageMO(nullptr);
    EXPECT_FALSE(record->isMonitoringFileSystem());
    EXPECT_FALSE(view.lowResCallbackID());
    EXPECT_FALSE(view.callbackID());
    EXPECT_FALSE(view.isPreviewTimerActive());
    EXPECT_FALSE(view.progressIndicator()->isVisibleTo(&view));

    // Nothing of the record reaches the view any more.
    record->setRejected(true);
    EXPECT_FALSE(view.isRejected());
    session.openThumbnails();
    session.waitForThumbnailWork();
    EXPECT_TRUE(view.image().isNull());
}

TEST(KTImageCollectionViewCellImageViewTest, DimmingAndTheMissingFileVeilFollowTheRecord)
{
    KTGridTestSession session;
    KTImageMO *record = session.addImage(QStringLiteral("green"), QColor(40, 200, 60));
    session.cacheThumbnails({record});
    KTImageCollectionViewCellImageView view;
    view.resize(150, 150);
    view.setShowsRejectedStatus(true);
    view.setImageMO(record);

    record->setRejected(true);
    EXPECT_TRUE(view.isRejected());
    record->setRejected(false);
    EXPECT_FALSE(view.isRejected());
    EXPECT_TRUE(isNear(centreColor(renderWidget(view, Qt::black)), QColor(40, 200, 60)));

    ASSERT_TRUE(QFile::remove(record->path()));
    record->checkOriginalFileExistence();
    EXPECT_TRUE(view.isFileMissing());
    // Half-transparent grey over the picture (above the text in the middle).
    EXPECT_TRUE(isNear(renderWidget(view, Qt::black).pixelColor(75, 40), QColor(84, 164, 94), 16));
}

// A file missing when the view asked gives no thumbnail; once the file is back, the stages not yet
// loaded are asked for again.
TEST(KTImageCollectionViewCellImageViewTest, AFileThatComesBackIsLoaded)
{
    KTGridTestSession session;
    KTImageMO *record = session.addImage(QStringLiteral("late"), QColor(220, 200, 60));
    const QString path = record->path();
    const QString aside = path + QStringLiteral(".aside");
    ASSERT_TRUE(QFile::rename(path, aside));
    record->checkOriginalFileExistence();
    KTImageCollectionViewCellImageView view;
    view.resize(150, 150);
    view.setImageMO(record);
    view.reloadPreviewTimerAction();
    session.waitForThumbnailWork();
    EXPECT_TRUE(view.image().isNull());
    EXPECT_FALSE(view.lowResPreviewDidLoad());
    EXPECT_TRUE(view.isFileMissing());

    ASSERT_TRUE(QFile::rename(aside, path));
    record->checkOriginalFileExistence();
    EXPECT_FALSE(view.isFileMissing());
    ASSERT_TRUE(waitUntil([&] { return view.lowResPreviewDidLoad() && view.previewDidLoad(); }));
    EXPECT_TRUE(isNear(centreColor(view.image()), QColor(220, 200, 60)));
}

TEST(KTImageCollectionViewCellImageViewTest, ContextMenuOnlyOverTheThumbnailWithItsItems)
{
    KTGridTestSession session;
    KTImageMO *record = session.addImage(QStringLiteral("IMG_0001"), Qt::gray, QSize(300, 200));
    record->setDuplicateImagePath(session.folder() + QStringLiteral("/IMG_0001.JPG"));
    session.cacheThumbnails({record});
    auto share = std::make_shared<RecordingShareSystem>();
    const auto previous = KTShareSystem::install(share);
    KTUserDefaults::standardUserDefaults().setBool(true, QStringLiteral("kShowRAWandJPEGAsOneFileOption"));
    KTImageCollectionViewCellImageView view;
    view.resize(150, 150);
    view.setImageMO(record);

    EXPECT_EQ(view.menuForEvent(QPointF(75, 10)), nullptr); // in the margin above the picture
    std::unique_ptr<QMenu> menu(view.menuForEvent(QPointF(75, 75)));
    ASSERT_NE(menu, nullptr);
    const QList<QAction *> items = menu->actions();
    ASSERT_EQ(items.size(), 5);
    EXPECT_TRUE(items[0]->isEnabled());
    EXPECT_TRUE(items[3]->isSeparator());
    EXPECT_EQ(items[4]->text(), QStringLiteral("Reject All Photos at Same Location"));
    EXPECT_TRUE(items[4]->isEnabled());

    // Reveal gets the JPEG twin first, then the record's own file.
    items[0]->trigger();
    EXPECT_EQ(share->revealed, (QStringList{record->duplicateImagePath(), record->path()}));

    record->setRejected(true);
    menu.reset(view.menuForEvent(QPointF(75, 75)));
    EXPECT_FALSE(menu->actions()[4]->isEnabled());

    // A missing file disables reveal, export and share.
    ASSERT_TRUE(QFile::remove(record->path()));
    record->checkOriginalFileExistence();
    menu.reset(view.menuForEvent(QPointF(75, 75)));
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(menu->actions()[i]->isEnabled()) << i;

    KTUserDefaults::standardUserDefaults().removeObjectForKey(
        QStringLiteral("kShowRAWandJPEGAsOneFileOption"));
    KTShareSystem::install(previous);
}

TEST(KTImageCollectionViewCellTest, ButtonsFollowTheRecordNotTheirClicks)
{
    KTGridTestSession session;
    KTImageMO *record = session.addImage(QStringLiteral("one"));
    PlacedCell placed;
    KTImageCollectionViewCell *cell = placed.cell;
    cell->setImageMO(record);
    cell->mouseEventHandlingView()->setMouseInBounds(true);
    ASSERT_TRUE(isShown(cell->flagButton()));
    ASSERT_TRUE(isShown(cell->trashButton()));

    cell->flagButton()->click();
    EXPECT_TRUE(record->picked().value_or(false));
    EXPECT_TRUE(cell->flagButton()->isPushed());
    EXPECT_TRUE(isShown(cell->flagStatusView()));
    EXPECT_EQ(placed.delegate.flagClicks, (QList<KTImageCollectionViewCell *>{cell}));

    // The reject button only tells the grid; until the record changes it stays off.
    cell->trashButton()->click();
    EXPECT_EQ(placed.delegate.trashClicks, (QList<KTImageCollectionViewCell *>{cell}));
    EXPECT_FALSE(record->rejected().value_or(false));
    EXPECT_FALSE(cell->trashButton()->isPushed());

    record->setRejected(true);
    EXPECT_TRUE(cell->trashButton()->isPushed());
    EXPECT_FALSE(isShown(cell->flagButton()));

    record->setRejected(false);
    record->setPicked(false);
    EXPECT_FALSE(cell->flagButton()->isPushed());
    EXPECT_FALSE(isShown(cell->flagStatusView()));
}

TEST(KTImageCollectionViewCellTest, ButtonVisibilityByHoverStateAndType)
{
    KTGridTestSession session;
    KTImageMO *record = session.addImage(QStringLiteral("one"));
    const struct
    {
        bool hover, picked, rejected, navigation, buttons;
        bool flagShown, trashShown;
    } cases[] = {
        {false, false, false, false, true, false, false}, // nothing without hover
        {true, false, false, false, true, true, true},
        {false, true, false, false, true, true, false}, // a picked image keeps its flag
        {true, true, true, false, true, false, true},   // a rejected one never shows it
        {false, false, true, false, true, false, true}, // a rejected image keeps its reject mark
        {false, false, true, true, true, false, false},
        {true, false, false, true, true, true, false},   // navigation cells have no reject button
        {true, true, false, false, false, false, false}, // buttons switched off
    };
    PlacedCell placed;
    KTImageCollectionViewCell *cell = placed.cell;
    cell->setImageMO(record);
    for (const auto &c : cases) {
        record->setPicked(c.picked);
        record->setRejected(c.rejected);
        cell->setCellType(c.navigation ? KTImageCollectionViewCell::NavigationCell |
                                             KTImageCollectionViewCell::SelectableList
                                       : KTImageCollectionViewCell::PlainGridCell);
        cell->setShowPickRejectButtons(c.buttons);
        cell->mouseEventHandlingView()->setMouseInBounds(c.hover);
        EXPECT_EQ(isShown(cell->flagButton()), c.flagShown)
            << c.hover << c.picked << c.rejected << c.navigation << c.buttons;
        EXPECT_EQ(isShown(cell->trashButton()), c.trashShown)
            << c.hover << c.picked << c.rejected << c.navigation << c.buttons;
        EXPECT_EQ(isShown(cell->cellNumberField()), !c.navigation);
    }
    cell->setShowPickRejectButtons(true);
}

TEST(KTImageCollectionViewCellTest, SelectionTypeByStateAndCompareColours)
{
    using Cell = KTImageCollectionViewCell;
    using Type = KTImageCollectionViewCellSelectionView::SelectionType;
    const struct
    {
        unsigned cellType;
        bool selected, active, hidden;
        unsigned expected;
    } cases[] = {
        {Cell::PlainGridCell, true, true, false, Type::MainActive},
        {Cell::PlainGridCell, true, false, false, Type::MainInactive},
        {Cell::PlainGridCell, false, true, false, Type::NotSelected},
        {Cell::PlainGridCell | Cell::CompareColors, true, true, false, Type::CompareActive},
        {Cell::NavigationCell | Cell::CompareColors, true, false, false, Type::CompareInactive},
        {Cell::PlainGridCell, true, true, true, Type::NotSelected},
    };
    PlacedCell placed;
    for (const auto &c : cases) {
        placed.cell->setCellType(c.cellType);
        placed.cell->setHideSelection(c.hidden);
        placed.cell->setIsSelected(c.selected);
        placed.cell->setIsActive(c.active);
        EXPECT_EQ(placed.cell->selectionView()->selectionType(), c.expected) << c.cellType;
    }
    placed.cell->setHideSelection(false);
}

TEST(KTImageCollectionViewCellTest, ButtonsAndPickFrameSitAtTheThumbnailsCorners)
{
    KTGridTestSession session;
    KTImageMO *wide = session.addImage(QStringLiteral("wide"), Qt::gray, QSize(300, 150));
    KTImageMO *tall = session.addImage(QStringLiteral("tall"), Qt::gray, QSize(150, 300));
    session.cacheThumbnails({wide, tall});
    PlacedCell placed;
    KTImageCollectionViewCell *cell = placed.cell;

    // No picture: the frame covers the cell and the buttons sit in its corners.
    EXPECT_EQ(cell->flagStatusView()->geometry(), QRect(0, 0, 150, 150));
    EXPECT_EQ(cell->trashButtonFrame(), QRectF(128, 128, 20, 20));
    EXPECT_EQ(cell->flagButtonFrame(), QRectF(0, 0, 20, 20));

    cell->setImageMO(wide); // drawn at (5, 40, 140, 70)
    EXPECT_EQ(cell->flagStatusView()->geometry(), QRect(2, 37, 146, 76));
    EXPECT_EQ(cell->trashButtonFrame(), QRectF(123, 88, 20, 20));
    EXPECT_EQ(cell->flagButtonFrame(), QRectF(5, 35, 20, 20)); // 5 points above the top edge

    cell->setImageMO(tall); // drawn at (40, 5, 70, 140): the flag ends at the cell's top
    EXPECT_EQ(cell->flagButtonFrame(), QRectF(40, 0, 20, 20));
}

TEST(KTImageCollectionViewCellTest, APooledCellKeepsNothingOfItsRecord)
{
    KTGridTestSession session;
    KTImageMO *record = session.addImage(QStringLiteral("doomed"));
    auto alerts = KTScriptedAlertPresenter::install();
    session.storage().setFileRecycler([](const QString &, QString *) { return true; });
    KTImageCollectionViewCell *cell = nullptr;
    {
        PlacedCell placed;
        cell = placed.cell;
        cell->setImageMO(record);
        ASSERT_TRUE(record->isMonitoringFileSystem());
    }
    // Back in the pool the cell and its views hold no record, so trashing it touches nothing.
    EXPECT_TRUE(KTImageCollectionViewCellsManager::sharedManager().cells().contains(cell));
    EXPECT_EQ(cell->imageMO(), nullptr);
    EXPECT_EQ(cell->imageView()->imageMO(), nullptr);
    EXPECT_EQ(cell->imageView()->focusedRegionsView()->imageMO(), nullptr);
    EXPECT_FALSE(record->isMonitoringFileSystem());

    bool done = false;
    session.storage().moveImagesToSystemTrash({record}, [&] { done = true; });
    ASSERT_TRUE(waitUntil([&] { return done; }));
    EXPECT_TRUE(record->isDeleted());
}

TEST(KTImageCollectionViewCellsManagerTest, MakesCellsAHundredAtATime)
{
    KTImageCollectionViewCellsManager &pool = KTImageCollectionViewCellsManager::sharedManager();
    QList<KTImageCollectionViewCell *> taken;
    // Empty the pool, then one more.
    while (!pool.cells().isEmpty() || taken.isEmpty())
        taken.append(pool.cell());
    const unsigned allocated = pool.numberOfAllocatedCells();
    EXPECT_EQ(allocated % KTImageCollectionViewCellsManager::kAllocationStep, 0u);
    taken.append(pool.cell());
    EXPECT_EQ(pool.numberOfAllocatedCells(), allocated + KTImageCollectionViewCellsManager::kAllocationStep);
    EXPECT_EQ(pool.cells().size(), KTImageCollectionViewCellsManager::kAllocationStep - 1);
    EXPECT_EQ(taken.last()->cellNumberField()->text(), QStringLiteral("1"));

    pool.hideCell(nullptr);
    for (KTImageCollectionViewCell *cell : taken)
        pool.hideCell(cell);
    EXPECT_EQ(pool.numberOfCellsInUse(), 0u);
}

// The catalogue deletes a record a cell shows (a session cleared, a file trashed): the cell lets
// it go before anything can free it, and so does its picture.
TEST(KTImageCollectionViewCellTest, ACellLetsGoOfARecordTheCatalogueDeletes)
{
    KTGridTestSession session;
    KTImageMO *kept = session.addImage(QStringLiteral("kept"));
    KTImageMO *doomed = session.addImage(QStringLiteral("doomed"));
    PlacedCell first;
    PlacedCell second;
    first.cell->setImageMO(kept);
    second.cell->setImageMO(doomed);

    session.storage().deleteImagesFromDB({doomed});
    ASSERT_TRUE(doomed->isDeleted());
    EXPECT_EQ(second.cell->imageMO(), nullptr);
    EXPECT_EQ(second.cell->imageView()->imageMO(), nullptr);
    EXPECT_EQ(first.cell->imageMO(), kept);
}
