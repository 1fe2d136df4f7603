#include "KTBaseUIModeController.h"
#include "KTModeChrome.h"

#include "KTAbstractButton.h"
#include "KTAlert.h"
#include "KTBadgeButton.h"
#include "KTCatalogModel.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTLevelIndicator.h"
#include "KTListsFixtures.h"
#include "KTModeShareActions.h"
#include "KTModesTestSession.h"
#include "KTPredicate.h"
#include "KTResizablePopUpButton.h"
#include "KTResolveGroupViewController.h"
#include "KTShareManager.h"
#include "KTSortDescriptor.h"
#include "KTTaskNotifications.h"
#include "KTTaskRecorder.h"
#include "KTTestSupport.h"
#include "KTUserDefaults.h"
#include "KTZoomProtocol.h"
#include "KTZoomSlider.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

/// What a viewer reports of its zoom, and the zoom commands it received.
class FakeZoom : public KTZoomProtocol
{
public:
    bool isFitToScreen() const override { return fit; }
    void fitToScreen() override { calls << QStringLiteral("fitToScreen"); }
    void fitToScreenAnimated(KTAnimated) override { calls << QStringLiteral("fitToScreen"); }
    void actualSize() override { calls << QStringLiteral("actualSize"); }
    void zoomIn() override { calls << QStringLiteral("zoomIn"); }
    void zoomOut() override { calls << QStringLiteral("zoomOut"); }
    void scale(double factor, KTAnimated) override { calls << QStringLiteral("scale:%1").arg(factor); }
    std::optional<double> scalePercent() const override { return percent; }

    bool fit = false;
    std::optional<double> percent;
    QStringList calls;
};

} // namespace

/// A review mode with every shared part of the screen and no list of its own: the test sets its
/// images and selection and reads what the base did.
class KTTestMode : public KTBaseUIModeController
{
    Q_OBJECT
public:
    explicit KTTestMode(const QString &modeID = QStringLiteral("TestMode")) : m_modeID(modeID)
    {
        auto *root = new QWidget;
        root->resize(800, 500);
        auto *column = new QVBoxLayout(root);
        auto *row = new QHBoxLayout;
        auto *container = new QWidget(root);
        row->addWidget(container, 1);
        column->addLayout(row, 1);
        auto *toolBar = new QWidget(root);
        toolBar->setFixedHeight(40);
        auto *tools = new QHBoxLayout(toolBar);
        flag = new KTBadgeButton(toolBar);
        flag->setBehavior(KTAbstractButton::Toggle);
        share = new KTBadgeButton(toolBar);
        rating = new KTLevelIndicator(toolBar);
        slider = new KTZoomSlider(toolBar);
        zoomMenu = new QMenu(root);
        for (int tag = 0; tag <= 4; ++tag)
            zoomMenu->addAction(QStringLiteral("Item %1").arg(tag))->setData(tag);
        zoomButton = new KTResizablePopUpButton(toolBar);
        zoomButton->setPopUpMenu(zoomMenu);
        move = new KTAbstractButton(QStringLiteral("Move"), toolBar);
        navigationSwitch = new KTAbstractButton(toolBar);
        navigationSwitch->setBehavior(KTAbstractButton::Toggle);
        for (QWidget *tool : std::initializer_list<QWidget *>{flag, share, rating, slider, zoomButton, move,
                                                              navigationSwitch})
            tools->addWidget(tool);
        column->addWidget(toolBar);
        strip = new QWidget(root);
        strip->setFixedHeight(60);
        column->addWidget(strip);
        exif = new QWidget;
        exif->setFixedWidth(200);
        focusable = new KTAbstractButton(QStringLiteral("Focus"), container);
        focusable->setFocusPolicy(Qt::StrongFocus);
        textField = new QLineEdit(container);
        textField->move(0, 40);

        chrome().setView(root);
        chrome().setContainerView(container, row);
        chrome().setBottomToolBar(toolBar);
        chrome().setFlagImagesButton(flag);
        chrome().setShareButton(share);
        chrome().setRatingIndicator(rating);
        chrome().setZoomSlider(slider, slider);
        chrome().setSwitchZoomButton(zoomButton, zoomButton);
        chrome().setImagesMoveButton(move);
        chrome().setShowNavigationBarButton(navigationSwitch);
        chrome().setNavigationView(nullptr, strip);
        chrome().setExifPanel(exif);
        initialize();
    }
    ~KTTestMode() override { delete exif.data(); }

    QString modeID() const override { return m_modeID; }
    QString imagesFilterID() const override { return m_modeID; }
    void setSelectedImages(const QList<KTImageMO *> &, KTImageMO *, bool) override {}
    void rejectSelectedImages() override {}
    bool exifPanelShouldBeShown() const override { return exifAllowed; }

    // Making the protected parts reachable.
    using KTBaseUIModeController::adjustExifViewVisibility;
    using KTBaseUIModeController::adjustFlagImageButtonState;
    using KTBaseUIModeController::adjustRatingIndicatorState;
    using KTBaseUIModeController::adjustShareButtonState;
    using KTBaseUIModeController::setActiveImageIndex;
    using KTBaseUIModeController::setImages;
    using KTBaseUIModeController::setNeedsReload;
    using KTBaseUIModeController::setSelectedImagesIndexes;
    using KTBaseUIModeController::setUIMode;
    using KTBaseUIModeController::validateFlagAndShareButtons;
    using KTBaseUIModeController::validateSwitchZoomButtonState;

    void select(const std::set<qsizetype> &indexes, std::optional<qsizetype> active)
    {
        setSelectedImagesIndexes(indexes);
        setActiveImageIndex(active);
    }

    int reloads = 0;
    bool exifAllowed = true;
    FakeZoom zoom;
    QStringList calls;
    QPointer<KTBadgeButton> flag;
    QPointer<KTBadgeButton> share;
    QPointer<KTLevelIndicator> rating;
    QPointer<KTZoomSlider> slider;
    QPointer<QMenu> zoomMenu;
    QPointer<KTResizablePopUpButton> zoomButton;
    QPointer<KTAbstractButton> move;
    QPointer<KTAbstractButton> navigationSwitch;
    QPointer<QWidget> strip;
    QPointer<QWidget> exif;
    QPointer<KTAbstractButton> focusable;
    QPointer<QLineEdit> textField;

protected:
    void reload() override { ++reloads; }
    KTZoomProtocol *viewForZooming() const override { return const_cast<FakeZoom *>(&zoom); }
    void onSpacePress() override { calls << QStringLiteral("space"); }
    void onListMode(QObject *) override { calls << QStringLiteral("listMode"); }
    void onActualSize(QObject *) override { calls << QStringLiteral("actualSize"); }
    void onFit(QObject *) override { calls << QStringLiteral("fit"); }
    void onZoomIn(QObject *) override { calls << QStringLiteral("zoomIn"); }
    void onZoomOut(QObject *) override { calls << QStringLiteral("zoomOut"); }
    void onChangeZoom(QObject *) override { calls << QStringLiteral("changeZoom"); }

private:
    QString m_modeID;
};

namespace {

class KTBaseUIModeControllerTest : public ::testing::Test
{
protected:
    /// Shows the mode's view in a window of its own.
    void show(KTTestMode &mode)
    {
        mode.view()->show();
        QApplication::processEvents();
    }

    KTModesTestSession session;
};

TEST_F(KTBaseUIModeControllerTest, HiddenModeReloadsOnceWhenShownAndAtOnceWhileShown)
{
    KTTestMode mode;
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(mode.view());
    mode.view()->hide();
    window.show();
    for (int i = 0; i < 3; ++i)
        mode.setNeedsReload();
    EXPECT_EQ(mode.reloads, 0);
    EXPECT_TRUE(mode.isNeedReload());

    mode.view()->show();
    EXPECT_EQ(mode.reloads, 1);
    EXPECT_FALSE(mode.isNeedReload());
    mode.view()->hide();
    mode.view()->show();
    EXPECT_EQ(mode.reloads, 1) << "shown again without a mark: no reload";

    mode.setNeedsReload();
    EXPECT_EQ(mode.reloads, 2);

    // A hidden ancestor hides the mode as well.
    window.hide();
    auto *middle = new QWidget(&window);
    mode.view()->setParent(middle);
    mode.view()->show();
    middle->hide();
    window.show();
    mode.setNeedsReload();
    EXPECT_EQ(mode.reloads, 2);
}

TEST_F(KTBaseUIModeControllerTest, SelectionIsRestoredFromWhatWasSaved)
{
    session.addImages(8, QStringLiteral("IMG_"));
    {
        KTTestMode fresh;
        fresh.restoreAppLastLaunchSelection();
        EXPECT_EQ(fresh.selectedGroupIndex(), 0);
        EXPECT_EQ(fresh.activeImageIndex(), 0);
        EXPECT_EQ(fresh.selectedImagesIndexes(), (std::set<qsizetype>{0}));
    }
    {
        KTTestMode saving;
        saving.select({2, 5, 6}, 5);
        saving.saveSelections();
    }
    session.restartDefaults();
    KTTestMode restored;
    restored.restoreAppLastLaunchSelection();
    EXPECT_EQ(restored.activeImageIndex(), 5);
    EXPECT_EQ(restored.selectedImagesIndexes(), (std::set<qsizetype>{5}));

    // A saved "no active image" restores none and leaves the selection as it was.
    restored.select({1}, std::nullopt);
    restored.saveSelections();
    KTTestMode none;
    none.select({3}, 3);
    none.restoreAppLastLaunchSelection();
    EXPECT_EQ(none.activeImageIndex(), std::nullopt);
    EXPECT_EQ(none.selectedImagesIndexes(), (std::set<qsizetype>{3}));
}

TEST_F(KTBaseUIModeControllerTest, SortDescriptorsPutTheSortKeyFirstAndReverseTheResolveDate)
{
    using D = std::vector<std::pair<QString, bool>>;
    const struct
    {
        QString key;
        bool ascending;
        D expected;
    } cases[] = {
        {QStringLiteral("creationDate"),
         true,
         {{"creationDate", true},
          {"name", true},
          {"size", true},
          {"resolveDate", false},
          {"modificationDate", true}}},
        {QStringLiteral("resolveDate"),
         true,
         {{"resolveDate", false},
          {"name", true},
          {"creationDate", true},
          {"size", true},
          {"modificationDate", true}}},
        {QStringLiteral("size"),
         false,
         {{"size", false},
          {"name", false},
          {"creationDate", false},
          {"resolveDate", true},
          {"modificationDate", false}}},
        {QStringLiteral("rating"),
         true,
         {{"rating", true},
          {"name", true},
          {"creationDate", true},
          {"size", true},
          {"resolveDate", false},
          {"modificationDate", true}}},
    };
    KTTestMode mode;
    for (const auto &c : cases) {
        KTLogCapture log;
        mode.setSortKey(c.key);
        mode.setSortOrder(c.ascending);
        D actual;
        for (const KTSortDescriptor &descriptor : mode.imagesSortDescriptors())
            actual.emplace_back(descriptor.keyPath(), descriptor.isAscending());
        EXPECT_EQ(actual, c.expected) << c.key.toStdString();
        EXPECT_EQ(log.contains(QStringLiteral("Warning: Unexpected sort key: rating")), c.key == "rating");
    }
}

TEST_F(KTBaseUIModeControllerTest, ActiveImageAndSelectedImagesStayInsideTheList)
{
    const QList<KTImageMO *> images = session.addImages(3, QStringLiteral("IMG_"));
    KTTestMode mode;
    for (std::optional<qsizetype> active : {std::optional<qsizetype>(), std::optional<qsizetype>(3)}) {
        mode.setImages(images);
        mode.select({}, active);
        EXPECT_EQ(mode.activeImageMO(), nullptr);
    }
    mode.select({1, 5, 7}, 1);
    EXPECT_EQ(mode.activeImageMO(), images.at(1));
    QList<KTImageMO *> walked;
    QList<bool> active;
    mode.enumerateSelectedImagesUsingBlock([&](KTImageMO *image, bool isActive, bool &) {
        walked.append(image);
        active.append(isActive);
    });
    EXPECT_EQ(walked, QList<KTImageMO *>{images.at(1)});
    EXPECT_EQ(active, QList<bool>{true});
    mode.setImages({});
    EXPECT_EQ(mode.activeImageMO(), nullptr);
}

TEST_F(KTBaseUIModeControllerTest, PerModeSettingsStayApartAndSharedOnesFollowAcrossModesAndRestarts)
{
    {
        KTTestMode picks(QStringLiteral("Picks")), rejects(QStringLiteral("Rejects"));
        picks.setSortKey(QStringLiteral("name"));
        picks.setSortOrder(false);
        picks.setIsZoomLock(true);
        picks.setIsNavigationBarVisible(false);
        picks.setUIMode(kUIModeImage);
        EXPECT_EQ(rejects.sortKey(), QStringLiteral("creationDate"));
        EXPECT_TRUE(rejects.sortOrder());
        EXPECT_FALSE(rejects.isZoomLock());
        EXPECT_TRUE(rejects.isNavigationBarVisible());

        picks.setImageListZoom(0.4);
        picks.setIsExifPanelVisible(true);
        picks.setShowsExposurePixels(true);
        EXPECT_DOUBLE_EQ(rejects.imageListZoom(), 0.4);
        EXPECT_TRUE(rejects.isExifPanelVisible());
        EXPECT_TRUE(rejects.showsExposurePixels());
        EXPECT_EQ(session.defaults().stringForKey(QStringLiteral("Picks_sortKey")), QStringLiteral("name"));
    }
    session.restartDefaults();
    KTTestMode picks(QStringLiteral("Picks"));
    EXPECT_EQ(picks.sortKey(), QStringLiteral("name"));
    EXPECT_FALSE(picks.sortOrder());
    EXPECT_TRUE(picks.isZoomLock());
    EXPECT_FALSE(picks.isNavigationBarVisible());
    EXPECT_EQ(picks.UIMode(), kUIModeImage);
    EXPECT_DOUBLE_EQ(picks.imageListZoom(), 0.4);
    EXPECT_TRUE(picks.isExifPanelVisible());
    EXPECT_TRUE(picks.showsExposurePixels());
}

TEST_F(KTBaseUIModeControllerTest, FlagButtonPicksTheSelectionAndProcessesChangesOnlyWhenSomethingChanged)
{
    const QList<KTImageMO *> images = {
        session.addImage(QStringLiteral("A")), session.addImage(QStringLiteral("B"), {true, std::nullopt}),
        session.addImage(QStringLiteral("C"), {std::nullopt, true}), session.addImage(QStringLiteral("D"))};
    const QString picks = QStringLiteral("PickedForTest");
    session.storage().setFilter(makeFilter(KTKeyPath(QStringLiteral("picked")) == true, {}), picks);
    KTTestMode mode;
    mode.setImageStorage(&session.storage());
    mode.setImages(images);
    mode.select({0, 1, 2}, 0);

    KTNotificationRecorder posted(&session.storage());
    mode.flag->setPushed(true);
    mode.onFlag(mode.flag);
    // Current before the command returned: the catalogue processed the change itself.
    EXPECT_EQ(session.storage().imagesFilteredByFilterWithID(picks).size(), 3);
    EXPECT_EQ(posted.count(picks), 1);
    EXPECT_EQ(images.at(2)->rejected(), true) << "a pick leaves the reject alone";
    EXPECT_EQ(images.at(3)->picked(), std::nullopt);

    posted.clear();
    mode.onFlag(mode.flag);
    EXPECT_EQ(posted.names(), QStringList()) << "nothing changed, nothing processed";

    // Not a framework button: nothing.
    QObject other;
    mode.flag->setPushed(false);
    mode.onFlag(&other);
    EXPECT_EQ(images.at(0)->picked(), true);
}

TEST_F(KTBaseUIModeControllerTest, FlagActiveSelectedImagesPicksTheActiveOneInCompareAndTheSelectionElsewhere)
{
    const QList<KTImageMO *> images = session.addImages(3, QStringLiteral("IMG_"));
    KTTestMode mode;
    mode.setImages(images);
    mode.select({0, 2}, 2);
    mode.setUIMode(kUIModeCompare);
    mode.flagActiveSelectedImages(true);
    EXPECT_EQ(images.at(0)->picked(), std::nullopt);
    EXPECT_EQ(images.at(2)->picked(), true);
    mode.setUIMode(kUIModeList);
    mode.flagActiveSelectedImages(true);
    EXPECT_EQ(images.at(0)->picked(), true);
    EXPECT_EQ(images.at(1)->picked(), std::nullopt);
}

TEST_F(KTBaseUIModeControllerTest, ZoomPopUpShowsTheViewersZoomAndSendsItsTags)
{
    const struct
    {
        bool fit;
        double percent;
        int tag; // -1: no item selected
        QString title;
    } cases[] = {
        {true, 137, 4, {}},
        {false, 100, 1, {}},
        {false, 100.4, 1, {}},
        {false, 400, 3, {}},
        {false, 200, 2, {}},
        {false, 50, 0, {}},
        {false, 137, -1, QStringLiteral("Zoom 137%")},
    };
    KTTestMode mode;
    for (const auto &c : cases) {
        mode.zoom.fit = c.fit;
        mode.zoom.percent = c.percent;
        mode.zoomButton->selectItemWithTag(2);
        mode.validateSwitchZoomButtonState();
        if (c.tag < 0) {
            EXPECT_TRUE(mode.zoomButton->allItemsUnselected());
            EXPECT_EQ(mode.zoomButton->title(), c.title);
        } else {
            EXPECT_FALSE(mode.zoomButton->allItemsUnselected()) << c.percent;
            EXPECT_EQ(mode.zoomButton->selectedTag(), c.tag) << c.percent;
        }
    }

    mode.zoom.calls.clear();
    for (int tag : {0, 1, 2, 3, 4}) {
        mode.zoomButton->selectItemWithTag(tag);
        mode.onSwitchZoom(mode.zoomButton);
    }
    EXPECT_EQ(mode.zoom.calls, (QStringList{"scale:0.5", "scale:2", "scale:4"}));
    EXPECT_EQ(mode.calls, (QStringList{"actualSize", "fit"}));
}

TEST_F(KTBaseUIModeControllerTest, ZoomKeysStepTheSliderInListsAndZoomTheViewerElsewhere)
{
    KTTestMode mode;
    mode.setUIMode(kUIModeList);
    mode.slider->setNumberOfTickMarks(11);
    mode.slider->setDoubleValue(0.5);
    mode.onZoomViewIn(nullptr);
    EXPECT_NEAR(mode.slider->doubleValue(), 0.6, 1e-9);
    mode.onZoomViewOut(nullptr);
    mode.onZoomViewOut(nullptr);
    EXPECT_NEAR(mode.slider->doubleValue(), 0.4, 1e-9);
    EXPECT_EQ(mode.calls, (QStringList{"changeZoom", "changeZoom", "changeZoom"}));

    mode.calls.clear();
    mode.slider->setEnabled(false);
    mode.onZoomViewIn(nullptr);
    EXPECT_NEAR(mode.slider->doubleValue(), 0.4, 1e-9);
    EXPECT_TRUE(mode.calls.isEmpty());

    mode.setUIMode(kUIModeImage);
    mode.onZoomViewIn(nullptr);
    mode.onZoomViewOut(nullptr);
    mode.zoom.fit = true;
    mode.onFitOrActualSize(nullptr);
    mode.zoom.fit = false;
    mode.onFitOrActualSize(nullptr);
    EXPECT_EQ(mode.calls, (QStringList{"zoomIn", "zoomOut", "actualSize", "fit"}));

    const struct
    {
        QString subMode;
        bool canZoom;
        bool canScale;
    } answers[] = {{kUIModeGroups, true, false},
                   {kUIModeGroup, false, false},
                   {kUIModeImage, true, true},
                   {kUIModeCompare, true, true},
                   {kUIModeList, true, false}};
    for (const auto &a : answers) {
        mode.setUIMode(a.subMode);
        EXPECT_EQ(mode.canZoom(), a.canZoom) << a.subMode.toStdString();
        EXPECT_EQ(mode.canScale(), a.canScale) << a.subMode.toStdString();
    }
}

TEST_F(KTBaseUIModeControllerTest, SpaceGAndDReachTheModeBeforeTheFocusedWidget)
{
    KTTestMode mode;
    show(mode);
    int clicks = 0;
    QObject::connect(mode.focusable, &KTControl::clicked, [&] { ++clicks; });
    mode.focusable->setFocus();
    QTest::keyClick(mode.focusable, Qt::Key_Space);
    QTest::keyClick(mode.focusable, Qt::Key_G);
    QTest::keyClick(mode.focusable, Qt::Key_D);
    QTest::keyClick(mode.focusable, Qt::Key_G, Qt::ShiftModifier);
    QTest::keyClick(mode.focusable, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(mode.calls, (QStringList{"space", "listMode", "actualSize"}));
    EXPECT_EQ(clicks, 0) << "the focused button never saw the space";

    // Typing goes into a text field.
    mode.calls.clear();
    mode.textField->setFocus();
    QTest::keyClicks(mode.textField, QStringLiteral("g d"));
    EXPECT_EQ(mode.textField->text(), QStringLiteral("g d"));
    EXPECT_TRUE(mode.calls.isEmpty());

    // A hidden mode takes no key.
    mode.view()->hide();
    const QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    EXPECT_FALSE(mode.performKeyEquivalent(space));
    EXPECT_TRUE(mode.calls.isEmpty());
}

TEST_F(KTBaseUIModeControllerTest, ThumbnailListsMayNotSelectOrDeselectAllWhileComparing)
{
    KTTestMode mode;
    for (const QString &subMode : {kUIModeList, kUIModeGroups, kUIModeGroup, kUIModeImage, kUIModeCompare}) {
        mode.setUIMode(subMode);
        const bool comparing = subMode == kUIModeCompare;
        EXPECT_EQ(mode.canImageListPerformKeyDownWithKeyEquivalent(QStringLiteral("a")), !comparing);
        EXPECT_EQ(mode.canImageListPerformKeyDownWithKeyEquivalent(QStringLiteral("d")), !comparing);
        EXPECT_TRUE(mode.canImageListPerformKeyDownWithKeyEquivalent(QStringLiteral("c")));
    }
}

TEST_F(KTBaseUIModeControllerTest, ShareMenuHandsOnExistingFilesWithTheirPairedJpegs)
{
    KTUserDefaults &standard = KTUserDefaults::standardUserDefaults();
    const QString pairing = QStringLiteral("kShowRAWandJPEGAsOneFileOption");
    const QVariant previous = standard.objectForKey(pairing);
    standard.setBool(true, pairing);
    KTImageMO *raw = session.addImage(QStringLiteral("RAW"));
    raw->setDuplicateImagePath(session.path(QStringLiteral("RAW_twin")));
    KTImageMO *plain = session.addImage(QStringLiteral("PLAIN"));
    KTImageMO *missing = session.addImage(QStringLiteral("MISSING"), {}, false);
    KTTestMode mode;
    mode.setImageStorage(&session.storage());
    mode.setImages({raw, plain, missing});

    const auto item = [](QMenu &menu, int index) { return menu.actions().at(index); };
    const auto target = [&](QMenu &menu) {
        return KTShareManager::itemWithIdentifier(item(menu, 1), kKTExportToLightroom);
    };

    mode.select({0}, 0);
    EXPECT_EQ(mode.shareActions().selectedImagesPaths(KTPairedPaths::Include),
              (QStringList{session.path(QStringLiteral("RAW_twin")), raw->path()}));
    EXPECT_EQ(mode.shareActions().selectedImagesPaths(KTPairedPaths::Exclude), QStringList{raw->path()});
    std::unique_ptr<QMenu> one = mode.shareActions().shareMenu();
    ASSERT_EQ(one->actions().size(), 3);
    EXPECT_TRUE(item(*one, 0)->isEnabled());
    EXPECT_TRUE(target(*one)) << "the export submenu";

    target(*one)->setVisible(true);
    KTShareManager::validate(item(*one, 1));
    EXPECT_TRUE(item(*one, 1)->isEnabled()) << "one path: export";

    mode.select({0, 1}, 0);
    std::unique_ptr<QMenu> two = mode.shareActions().shareMenu();
    target(*two)->setVisible(true);
    KTShareManager::validate(item(*two, 1));
    EXPECT_FALSE(item(*two, 1)->isEnabled()) << "two paths: no export";
    // The photo managers' entries (shown as if installed here) keep the selection exportable.
    QAction *lightroom = target(*two);
    ASSERT_NE(lightroom, nullptr);
    lightroom->setVisible(true);
    KTShareManager::validate(lightroom);
    EXPECT_TRUE(lightroom->isEnabled());

    // A missing file is left out; with nothing left every item is disabled.
    mode.select({2}, 2);
    EXPECT_TRUE(mode.shareActions().selectedImagesPaths(KTPairedPaths::Include).isEmpty());
    std::unique_ptr<QMenu> none = mode.shareActions().shareMenu();
    for (QAction *action : none->actions())
        EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();

    // The paths are produced anew each time: the menu follows the selection.
    mode.select({1}, 1);
    KTShareManager::validateMenu(none.get());
    EXPECT_TRUE(item(*none, 0)->isEnabled());
    standard.setObject(previous, pairing);
}

TEST_F(KTBaseUIModeControllerTest, ExifPanelGoesInOnceAndFollowsWhatTheModeAllows)
{
    KTTestMode mode;
    show(mode);
    auto *row = mode.chrome().containerView()->parentWidget()->layout()->itemAt(0)->layout();
    ASSERT_NE(row, nullptr);
    auto *button = new KTAbstractButton(mode.view());
    button->setPushed(true);
    mode.onShowExifView(button);
    mode.onShowExifView(button);
    EXPECT_EQ(row->count(), 2);
    EXPECT_EQ(row->indexOf(mode.exif), 1);
    EXPECT_TRUE(mode.exif->isVisibleTo(mode.view()));

    mode.exifAllowed = false;
    mode.adjustExifViewVisibility();
    EXPECT_EQ(row->indexOf(mode.exif), -1);
    EXPECT_TRUE(mode.isExifPanelVisible()) << "the wish stays";
    mode.exifAllowed = true;
    mode.adjustExifViewVisibility();
    EXPECT_EQ(row->indexOf(mode.exif), 1);

    button->setPushed(false);
    mode.onShowExifView(button);
    EXPECT_EQ(row->indexOf(mode.exif), -1);
    EXPECT_FALSE(mode.exif->isVisibleTo(mode.view()));
}

TEST_F(KTBaseUIModeControllerTest, NavigationStripFollowsItsSwitch)
{
    KTTestMode mode;
    show(mode);
    mode.adjustUIVisibleElements();
    EXPECT_TRUE(mode.strip->isVisibleTo(mode.view()));
    mode.validateUIVisibleElements();
    EXPECT_TRUE(mode.navigationSwitch->isPushed());
    mode.navigationSwitch->click();
    EXPECT_FALSE(mode.navigationSwitch->isPushed());
    mode.onShowNavigationBar(mode.navigationSwitch);
    EXPECT_FALSE(mode.strip->isVisibleTo(mode.view()));
    EXPECT_FALSE(mode.isNavigationBarVisible());
    mode.validateUIVisibleElements();
    EXPECT_FALSE(mode.navigationSwitch->isPushed());
}

TEST_F(KTBaseUIModeControllerTest, BadgesButtonsAndRatingFollowTheSelectionAndTheSession)
{
    const QList<KTImageMO *> images = session.addImages(3, QStringLiteral("IMG_"));
    KTTestMode mode;
    mode.setImageStorage(&session.storage());
    mode.setImages(images);

    mode.select({0}, 0);
    mode.adjustFlagImageButtonState();
    mode.adjustShareButtonState();
    EXPECT_EQ(mode.flag->badgeString(), QString());
    EXPECT_EQ(mode.share->badgeString(), QString());
    mode.select({0, 2}, 2);
    mode.adjustFlagImageButtonState();
    mode.adjustShareButtonState();
    EXPECT_EQ(mode.flag->badgeString(), QStringLiteral("2"));
    EXPECT_EQ(mode.share->badgeString(), QStringLiteral("2"));

    // The flag button follows the active record.
    EXPECT_FALSE(mode.flag->isPushed());
    images.at(2)->setPicked(true);
    EXPECT_TRUE(mode.flag->isPushed());
    EXPECT_TRUE(mode.activeImagespicked());

    mode.validateFlagAndShareButtons();
    EXPECT_TRUE(mode.flag->isButtonEnabled());
    mode.setImages({});
    mode.validateFlagAndShareButtons();
    EXPECT_FALSE(mode.flag->isButtonEnabled());
    EXPECT_FALSE(mode.share->isButtonEnabled());

    // No active image: the rating shows 0.
    mode.rating->setIntegerValue(3);
    mode.adjustRatingIndicatorState();
    EXPECT_EQ(mode.rating->integerValue(), 0);

    mode.validateUIVisibleElements();
    EXPECT_FALSE(mode.move->isHidden());
    session.addSource(kFolderTypeLightroom5);
    mode.validateUIVisibleElements();
    EXPECT_TRUE(mode.move->isHidden()) << "a catalogue session moves no files";
}

TEST_F(KTBaseUIModeControllerTest, CopyAndMoveTakeEveryImageOfTheModeToTheChosenFolder)
{
    const QList<KTImageMO *> images = session.addImages(3, QStringLiteral("IMG_"));
    KTTestMode mode;
    mode.setImageStorage(&session.storage());
    mode.setImages(images);
    mode.select({0}, 0);
    const QString target = QDir(session.folder()).filePath(QStringLiteral("Chosen"));
    QDir().mkpath(target);

    struct Asked
    {
        qsizetype count;
        bool moving;
    };
    std::vector<Asked> asked;
    QString answer;
    KTModeShareActions::setFolderPanel(
        [&](QWidget *, qsizetype count, bool moving, std::function<void(const QString &)> completion) {
            asked.push_back({count, moving});
            completion(answer);
        });

    KTTaskRecorder tasks(&session.storage());
    mode.onCopy(nullptr);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked.back().count, 3);
    EXPECT_FALSE(asked.back().moving);
    EXPECT_EQ(tasks.events().size(), 0u) << "a cancelled panel copies nothing";

    answer = target;
    mode.onCopy(nullptr);
    EXPECT_TRUE(waitUntil(
        [&] { return tasks.count(kTaskDidFinishNotification, QStringLiteral("Copying Images")) == 1; }));
    for (KTImageMO *image : images)
        EXPECT_TRUE(QFileInfo::exists(QDir(target).filePath(QFileInfo(image->path()).fileName())));

    const QString moved = QDir(session.folder()).filePath(QStringLiteral("Moved"));
    QDir().mkpath(moved);
    answer = moved;
    mode.onMove(nullptr);
    EXPECT_TRUE(asked.back().moving);
    EXPECT_TRUE(waitUntil(
        [&] { return tasks.count(kTaskDidFinishNotification, QStringLiteral("Moving Images")) == 1; }));
    EXPECT_EQ(QDir(moved).entryList(QDir::Files).size(), 3);
    KTModeShareActions::setFolderPanel({});
}

// A finished copy or move says so in the window: how many images went where. A second copy into
// the same folder asks before anything lands beside or over the first; a file that could not be
// copied is named in an alert with the reason.
TEST_F(KTBaseUIModeControllerTest, FinishedCopyAndMoveReportInTheWindow)
{
    const QList<KTImageMO *> images = session.addImages(3, QStringLiteral("IMG_"));
    KTTestMode mode;
    mode.setImageStorage(&session.storage());
    mode.setImages(images);
    mode.view()->resize(800, 600);
    mode.view()->show();
    const QString target = QDir(session.folder()).filePath(QStringLiteral("Chosen"));
    QDir().mkpath(target);
    QString answer = target;
    KTModeShareActions::setFolderPanel(
        [&](QWidget *, qsizetype, bool, std::function<void(const QString &)> completion) {
            completion(answer);
        });
    const std::shared_ptr<KTScriptedAlertPresenter> alerts = KTScriptedAlertPresenter::install();
    KTResolveGroupViewController *message = KTResolveGroupViewController::sharedController();

    // The overlay is shared: its texts name this test's folder once the report is in.
    const auto messageIs = [&](const QString &title, const QString &folder) {
        return waitUntil([&] { return message->detail() == QStringLiteral("to ") + folder; }) &&
               message->title() == title;
    };
    mode.onCopy(nullptr);
    ASSERT_TRUE(messageIs(QStringLiteral("Copied 3 images"), target)) << message->title().toStdString();
    EXPECT_TRUE(alerts->shown().empty());

    // The same copy again: the question comes, and Cancel leaves the folder as it was.
    alerts->answer(KTAlert::kDefaultReturn);
    mode.onCopy(nullptr);
    ASSERT_TRUE(waitUntil([&] { return alerts->shown().size() == 1; }));
    EXPECT_TRUE(alerts->shown().at(0).messageText.contains(QStringLiteral("already exists")));
    drainMainQueue();
    QTest::qWait(50);
    EXPECT_EQ(QDir(target).entryList(QDir::Files).size(), 3);
    EXPECT_EQ(alerts->shown().size(), 1u) << "a cancel is no failure";

    // Unique names for all, with one source gone: the two others land, the alert names the third.
    ASSERT_TRUE(QFile::remove(images.at(1)->path()));
    alerts->answer(KTAlert::kOtherReturn, true);
    alerts->answer(KTAlert::kDefaultReturn);
    mode.onCopy(nullptr);
    ASSERT_TRUE(waitUntil([&] { return alerts->shown().size() == 3; }));
    const KTAlert failure = alerts->shown().at(2);
    EXPECT_EQ(failure.messageText, QStringLiteral("1 file could not be copied to “%1”.").arg(target));
    EXPECT_TRUE(failure.informativeText.startsWith(QStringLiteral("Copied 2 images.")));
    EXPECT_TRUE(failure.informativeText.contains(QFileInfo(images.at(1)->path()).fileName() +
                                                 QStringLiteral(": No such file or directory")))
        << failure.informativeText.toStdString();
    EXPECT_EQ(QDir(target).entryList(QDir::Files).size(), 5);

    // A move of the two left into an empty folder.
    answer = QDir(session.folder()).filePath(QStringLiteral("Moved"));
    QDir().mkpath(answer);
    mode.setImages({images.at(0), images.at(2)});
    mode.onMove(nullptr);
    EXPECT_TRUE(messageIs(QStringLiteral("Moved 2 images"), answer)) << message->title().toStdString();
    KTModeShareActions::setFolderPanel({});
}

} // namespace

#include "KTBaseUIModeControllerTest.moc"
