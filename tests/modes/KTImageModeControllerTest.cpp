#include "KTImageModeController.h"
#include "KTModeChrome.h"

#include "KTAbstractButton.h"
#include "KTBadgeButton.h"
#include "KTCatalogModel.h"
#include "KTExifViewController.h"
#include "KTExportPopupViewController.h"
#include "KTExternalStatusSync.h"
#include "KTFolderMO.h"
#include "KTObjectContext.h"
#include "KTRedjectedImagesModeController.h"
#include "KTImageBrowserView.h"
#include "KTImageInfoView.h"
#include "KTImageMO.h"
#include "KTImageNavigationView.h"
#include "KTImageStorage.h"
#include "KTImageView.h"
#include "KTInfoTextField.h"
#include "KTLevelIndicator.h"
#include "KTModeActions.h"
#include "KTModesTestSession.h"
#include "KTResizablePopUpButton.h"
#include "KTSelectedImagesModeController.h"
#include "KTShareSystem.h"
#include "KTSingeImageInfoBar.h"
#include "KTTestSupport.h"
#include "KTUserDefaults.h"
#include "KTZoomSlider.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

/// The catalogue kind of a session, as the library layer would tell it.
class FixedCatalogueKind : public KTExternalStatusSync
{
public:
    void syncImagesStatuses(const QList<KTImageMO *> &, Completion completion) override { completion(true); }
    void importImagesStatuses(const QList<KTImageMO *> &, Completion completion) override
    {
        completion(true);
    }
    void overwriteImagesStatusesFromHalvard(const QList<KTImageMO *> &) override {}
    int externalCatalogTypeFromImageMO(const KTImageMO *) const override { return kind; }
    bool isExternalAppRunningForImage(const KTImageMO *) const override { return false; }
    QString runningExternalAppNameForImage(const KTImageMO *) const override { return {}; }
    int kind = 0;
};

/// A desktop where every photo manager and editor is installed; nothing is really opened.
class EveryApplication : public KTShareSystem
{
public:
    void showItemsInFileManager(const QStringList &, std::function<void(bool)> done) override { done(true); }
    bool openFolder(const QString &) override { return true; }
    QList<KTDesktopEntry> imageEditors() override { return {}; }
    std::optional<KTDesktopEntry> applicationForExportTarget(const QString &id) override
    {
        KTDesktopEntry entry;
        entry.id = id;
        entry.name = id;
        return entry;
    }
    bool openWithApplication(const KTDesktopEntry &, const QStringList &) override { return true; }
    bool canSendEmail() override { return false; }
    bool sendEmail(const QStringList &) override { return false; }
};

class KTImageModeControllerTest : public ::testing::Test
{
protected:
    /// Picked images "P001".."P<count>", and the picks mode over them, shown.
    void pickedSession(int count)
    {
        picked = session.addImages(count, QStringLiteral("P"), {true, std::nullopt});
        mode = std::make_unique<KTSelectedImagesModeController>();
        window = std::make_unique<KTModeWindow>(session, *mode);
        window->showMode();
    }

    QStringList names(const QList<KTImageMO *> &images) const
    {
        QStringList result;
        for (KTImageMO *image : images)
            result.append(image->name());
        return result;
    }

    QStringList selectedNames() const
    {
        QStringList result;
        mode->enumerateSelectedImagesUsingBlock(
            [&](KTImageMO *image, bool, bool &) { result.append(image->name()); });
        return result;
    }

    KTModesTestSession session;
    QList<KTImageMO *> picked;
    std::unique_ptr<KTSelectedImagesModeController> mode;
    std::unique_ptr<KTModeWindow> window;
};

TEST_F(KTImageModeControllerTest, HiddenModeRebuildsItsListOnceWhenShown)
{
    pickedSession(3);
    EXPECT_EQ(mode->images().size(), 3);
    window->hideMode();
    const int before = window->delegate.listChanges;
    for (const QString &name : {QStringLiteral("Q1"), QStringLiteral("Q2"), QStringLiteral("Q3")})
        session.addImage(name, {true, std::nullopt});
    picked.at(0)->setPicked(false);
    session.process();
    EXPECT_EQ(window->delegate.listChanges, before) << "no rebuild while hidden";
    EXPECT_EQ(mode->images().size(), 3);

    window->showMode();
    EXPECT_EQ(window->delegate.listChanges, before + 1);
    EXPECT_EQ(names(mode->images()), (QStringList{"P002", "P003", "Q1", "Q2", "Q3"}));
    EXPECT_EQ(mode->imageBrowserView()->calculateNumberOfCells(), 5);
}

TEST_F(KTImageModeControllerTest, SelectionFollowsItsImagesThroughResortsAndListChanges)
{
    pickedSession(6);
    mode->setSelectedImages({picked.at(1), picked.at(3)}, picked.at(3), false);
    EXPECT_EQ(selectedNames(), (QStringList{"P002", "P004"}));

    // Newest first: the same images stay selected, the same one active.
    mode->switchSortOrderButton()->setPushed(true);
    mode->onSwitchSortOrder(mode->switchSortOrderButton());
    EXPECT_FALSE(mode->sortOrder());
    EXPECT_EQ(names(mode->images()).first(), QStringLiteral("P006"));
    EXPECT_EQ(selectedNames(), (QStringList{"P004", "P002"}));
    EXPECT_EQ(mode->activeImageMO(), picked.at(3));
    EXPECT_EQ(mode->imageBrowserView()->selection(), mode->selectedImagesIndexes());

    // A selected image leaves the list: the other stays selected and becomes active.
    picked.at(3)->setPicked(false);
    session.process();
    EXPECT_EQ(selectedNames(), QStringList{"P002"});
    EXPECT_EQ(mode->activeImageMO(), picked.at(1));

    // Every selected image leaves: the same position while it is inside the list, else the first.
    // The list is now P006 P005 P003 P002 P001.
    mode->setSelectedImages({picked.at(1)}, picked.at(1), false);
    EXPECT_EQ(mode->activeImageIndex(), 3);
    picked.at(1)->setPicked(false);
    session.process();
    EXPECT_EQ(selectedNames(), QStringList{"P001"});
    EXPECT_EQ(mode->activeImageIndex(), 3);
    picked.at(0)->setPicked(false);
    session.process();
    EXPECT_EQ(selectedNames(), QStringList{"P006"});
    EXPECT_EQ(mode->activeImageIndex(), 0);

    // Across sub-modes.
    mode->setSelectedImages({picked.at(4)}, picked.at(4), false);
    mode->switchToUIMode(kUIModeImage);
    EXPECT_EQ(mode->imageView()->imageMO(), picked.at(4));
    EXPECT_EQ(mode->chrome().navigationView()->activeIndex(), mode->activeImageIndex());
    mode->switchToUIMode(kUIModeList);
    EXPECT_EQ(selectedNames(), QStringList{"P005"});
}

TEST_F(KTImageModeControllerTest, SelectionCarriedFromAnotherModeKeepsOnlyListedImages)
{
    pickedSession(4);
    KTImageMO *stranger = session.addImage(QStringLiteral("NOTPICKED"));
    mode->setSelectedImages({picked.at(2), stranger, picked.at(1)}, stranger, false);
    EXPECT_EQ(selectedNames(), (QStringList{"P002", "P003"}));
    EXPECT_EQ(mode->activeImageMO(), picked.at(1)) << "the active one not listed: the first selected";

    mode->setSelectedImages({picked.at(3), picked.at(2)}, picked.at(3), true);
    EXPECT_EQ(selectedNames(), QStringList{"P003"});
    EXPECT_EQ(mode->activeImageMO(), picked.at(2));
}

TEST_F(KTImageModeControllerTest, SelectAllAndDeselectAllActOnTheListOnScreen)
{
    pickedSession(4);
    mode->setSelectedImages({picked.at(2)}, picked.at(2), false);
    mode->selectAllImagesInGroup();
    EXPECT_EQ(selectedNames(), (QStringList{"P001", "P002", "P003", "P004"}));
    EXPECT_EQ(mode->shareButton()->badgeString(), QStringLiteral("4"));
    mode->switchToUIMode(kUIModeImage);
    mode->deselectAllImagesInGroup();
    EXPECT_EQ(selectedNames(), QStringList{"P003"}) << "the active image stays selected";
    EXPECT_EQ(mode->chrome().navigationView()->selection(), (std::set<qsizetype>{2}));
}

TEST_F(KTImageModeControllerTest, SelectionIsRestoredAfterARestartOfTheList)
{
    pickedSession(5);
    mode->setSelectedImages({picked.at(3)}, picked.at(3), false);
    mode->saveSelections();
    window.reset();
    mode.reset();
    mode = std::make_unique<KTSelectedImagesModeController>();
    window = std::make_unique<KTModeWindow>(session, *mode);
    window->showMode();
    mode->restoreAppLastLaunchSelection();
    EXPECT_EQ(selectedNames(), QStringList{"P004"});
    EXPECT_EQ(mode->imageBrowserView()->activeIndex(), 3);
}

TEST_F(KTImageModeControllerTest, NextAndPreviousWrapAroundAndLeaveOneImageSelected)
{
    pickedSession(3);
    mode->setSelectedImages(picked, picked.at(2), false);
    mode->onNextImage(nullptr);
    EXPECT_EQ(selectedNames(), QStringList{"P001"});
    mode->onPrevImage(nullptr);
    EXPECT_EQ(selectedNames(), QStringList{"P003"});
    mode->onPrevImage(nullptr);
    EXPECT_EQ(selectedNames(), QStringList{"P002"});
    mode->onNextImage(nullptr);
    EXPECT_EQ(selectedNames(), QStringList{"P003"});
}

TEST_F(KTImageModeControllerTest, PanelsAndBarsFollowTheActiveImage)
{
    pickedSession(4);
    KTAbstractButton exifSwitch;
    exifSwitch.setPushed(true);
    mode->onShowExifView(&exifSwitch);
    ASSERT_NE(mode->exifViewController(), nullptr);
    EXPECT_TRUE(mode->chrome().exifPanel()->isVisibleTo(mode->view()));

    // A click in the grid.
    mode->imageBrowserView()->selectIndexes({2}, 2);
    mode->imageListViewSelectionDidChange(mode->imageBrowserView());
    EXPECT_EQ(mode->exifViewController()->imageMO(), picked.at(2));
    EXPECT_EQ(mode->allImagesInfoBar()->imageMO(), picked.at(2));
    EXPECT_TRUE(mode->allImagesInfoBar()->isVisibleTo(mode->view()));
    EXPECT_FALSE(mode->singleImageInfoBar()->isVisibleTo(mode->view()));

    mode->switchToUIMode(kUIModeImage);
    EXPECT_EQ(mode->infoView()->imageMO(), picked.at(2));
    EXPECT_EQ(mode->infoView()->UIMode(), kUIModeImage);
    EXPECT_TRUE(mode->singleImageInfoBar()->isVisibleTo(mode->view()));
    mode->onNextImage(nullptr);
    EXPECT_EQ(mode->infoView()->imageMO(), picked.at(3));
    EXPECT_EQ(mode->singleImageInfoBar()->imageMO(), picked.at(3));
    EXPECT_EQ(mode->exifViewController()->imageMO(), picked.at(3));
    EXPECT_EQ(mode->imageView()->imageMO(), picked.at(3));

    // The panel needs images to describe.
    for (KTImageMO *image : picked)
        image->setPicked(false);
    session.process();
    EXPECT_FALSE(mode->chrome().exifPanel()->isVisibleTo(mode->view()));
    EXPECT_TRUE(mode->isExifPanelVisible());
}

TEST_F(KTImageModeControllerTest, EmptyListForcesTheGridAndDisablesItsControls)
{
    pickedSession(2);
    mode->switchToUIMode(kUIModeImage);
    for (KTImageMO *image : picked)
        image->setPicked(false);
    session.process();
    EXPECT_EQ(mode->UIMode(), kUIModeList);
    EXPECT_TRUE(mode->selectedImagesIndexes().empty());
    EXPECT_EQ(mode->activeImageIndex(), std::nullopt);
    for (KTControl *control :
         {static_cast<KTControl *>(mode->imagesModeButton()),
          static_cast<KTControl *>(mode->chrome().imageModeButton()),
          static_cast<KTControl *>(mode->switchSortKeyButton()),
          static_cast<KTControl *>(mode->switchSortOrderButton()),
          static_cast<KTControl *>(mode->exportButton()), static_cast<KTControl *>(mode->flagImagesButton()),
          static_cast<KTControl *>(mode->shareButton())})
        EXPECT_FALSE(control->isButtonEnabled()) << control->objectName().toStdString();
    EXPECT_FALSE(mode->zoomSlider()->isEnabled());
    EXPECT_FALSE(mode->exifPanelShouldBeShown());
    mode->onNextImage(nullptr);
    mode->onPrevImage(nullptr);
    EXPECT_EQ(mode->activeImageIndex(), std::nullopt);
}

TEST_F(KTImageModeControllerTest, SpaceGAndDReachTheModeWithTheGridFocused)
{
    pickedSession(3);
    mode->imageBrowserView()->setFocus();
    QTest::keyClick(mode->imageBrowserView(), Qt::Key_Space);
    EXPECT_EQ(mode->UIMode(), kUIModeImage);
    EXPECT_EQ(mode->imageView()->imageMO(), mode->activeImageMO());
    EXPECT_TRUE(mode->imageView()->isVisibleTo(mode->view()));

    // With the strip focused, "d" shows the image at actual size and "g" goes back to the grid.
    mode->chrome().navigationView()->setFocus();
    QTest::keyClick(mode->chrome().navigationView(), Qt::Key_D);
    EXPECT_FALSE(mode->imageView()->isFitToScreen());
    QTest::keyClick(mode->chrome().navigationView(), Qt::Key_G);
    EXPECT_EQ(mode->UIMode(), kUIModeList);
    QTest::keyClick(mode->imageBrowserView(), Qt::Key_Space);
    QTest::keyClick(mode->chrome().navigationView(), Qt::Key_Space);
    EXPECT_EQ(mode->UIMode(), kUIModeList);
    EXPECT_EQ(window->delegate.uiModeChanges, 4);
}

// After a click or a drag on the photo the keys stay with the mode: the arrows move between the
// images, and the viewer's bare keys zoom as the README lists them; no digit rates the photo.
TEST_F(KTImageModeControllerTest, KeysStayWithTheModeAfterAClickOrADragOnThePhoto)
{
    pickedSession(3);
    // A photo larger than the screen, as a camera's are.
    QImage large(3000, 2000, QImage::Format_RGB32);
    large.fill(QColor(120, 140, 90));
    ASSERT_TRUE(large.save(picked.at(0)->path(), "JPEG"));
    mode->switchToUIMode(kUIModeImage);
    mode->setSelectedImages({picked.at(0)}, picked.at(0), false);
    KTImageView *photo = mode->imageView();
    window->clickAndDrag(photo);
    window->press(Qt::Key_Right);
    EXPECT_EQ(selectedNames(), QStringList{"P002"});
    window->clickAndDrag(photo);
    window->press(Qt::Key_Left);
    EXPECT_EQ(selectedNames(), QStringList{"P001"});

    KTLevelIndicator *rating = mode->chrome().ratingIndicator();
    ASSERT_NE(rating, nullptr);
    // Fitted, below the actual size, once the photo's size is read.
    ASSERT_TRUE(waitUntil([&] { return photo->scalePercent().value_or(100) < 100; }));
    enum Zoom
    {
        Fit,
        Actual,
        Larger,
        Smaller
    };
    const struct
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Zoom zoom;
    } cases[] = {
        {Qt::Key_1, Qt::NoModifier, Actual},     {Qt::Key_Plus, Qt::NoModifier, Larger},
        {Qt::Key_Equal, Qt::NoModifier, Larger}, {Qt::Key_Minus, Qt::NoModifier, Smaller},
        {Qt::Key_0, Qt::NoModifier, Fit},        {Qt::Key_D, Qt::NoModifier, Actual},
        {Qt::Key_0, Qt::KeypadModifier, Fit},    {Qt::Key_1, Qt::KeypadModifier, Actual},
    };
    for (const auto &row : cases) {
        const std::string key = QKeySequence(row.key).toString().toStdString();
        const double before = photo->scalePercent().value_or(0);
        window->clickAndDrag(photo);
        window->press(row.key, row.modifiers);
        const double percent = photo->scalePercent().value_or(0);
        EXPECT_EQ(photo->isFitToScreen(), row.zoom == Fit) << key;
        switch (row.zoom) {
        case Fit:
            EXPECT_LT(percent, 100) << key;
            break;
        case Actual:
            EXPECT_DOUBLE_EQ(percent, 100) << key;
            break;
        case Larger:
            EXPECT_GT(percent, before) << key;
            break;
        case Smaller:
            EXPECT_LT(percent, before) << key;
            break;
        }
        EXPECT_EQ(rating->integerValue(), 0) << key;
    }
    EXPECT_EQ(selectedNames(), QStringList{"P001"});
}

// Ctrl+E shows the clipped pixels on the photo (a sky of pure white, 4 % of it, turns red) and
// takes them away again; the command's check mark follows. In the grid it has nothing to act on.
TEST_F(KTImageModeControllerTest, ClippedExposureShowsOnThePhotoAndItsCommandCarriesItsState)
{
    pickedSession(2);
    QImage photo(3000, 2000, QImage::Format_RGB32);
    photo.fill(QColor(110, 130, 100));
    for (int y = 0; y < 80; ++y)
        std::fill_n(reinterpret_cast<QRgb *>(photo.scanLine(y)), 3000, qRgb(255, 255, 255));
    ASSERT_TRUE(photo.save(picked.at(0)->path(), "JPEG", 95));
    QAction *command = mode->actions().action(KTModeCommand::ShowExposurePixels);
    ASSERT_NE(command, nullptr);
    mode->validateActions();
    EXPECT_FALSE(command->isEnabled()) << "the grid shows no photo";

    mode->switchToUIMode(kUIModeImage);
    mode->setSelectedImages({picked.at(0)}, picked.at(0), false);
    KTImageView *viewer = mode->imageView();
    const auto redPixels = [&] {
        const QImage shown = viewer->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int count = 0;
        for (int y = 0; y < shown.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(shown.constScanLine(y));
            for (int x = 0; x < shown.width(); ++x)
                count += qRed(line[x]) > 200 && qGreen(line[x]) < 80 && qBlue(line[x]) < 80;
        }
        return count;
    };
    ASSERT_TRUE(waitUntil([&] { return viewer->scalePercent().has_value(); }));
    EXPECT_EQ(redPixels(), 0);
    window->clickAndDrag(viewer);

    window->press(Qt::Key_E, Qt::ControlModifier);
    mode->validateActions();
    EXPECT_TRUE(command->isChecked());
    EXPECT_TRUE(viewer->showsExposurePixels());
    EXPECT_TRUE(waitUntil([&] { return redPixels() > 0; })) << "the white sky is marked";
    const int marked = redPixels();
    const QSize shown = viewer->size();
    EXPECT_GT(marked, shown.width() * 5) << "a band across the photo";

    window->press(Qt::Key_E, Qt::ControlModifier);
    mode->validateActions();
    EXPECT_FALSE(command->isChecked());
    EXPECT_EQ(redPixels(), 0);
}

TEST_F(KTImageModeControllerTest, ZoomKeysStepTheThumbnailsWithTheGridFocused)
{
    pickedSession(3);
    // The mode's own Zoom In command, whose key works wherever the focus is in its screen.
    window->window().activateWindow();
    mode->imageBrowserView()->setFocus();

    const int ticks = mode->zoomSlider()->numberOfTickMarks();
    ASSERT_GE(ticks, 2) << "the grid gives the slider its zoom steps";
    const double before = mode->zoomValue();
    QTest::keyClick(mode->imageBrowserView(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_NEAR(mode->zoomValue(), before + 1.0 / (ticks - 1), 1e-9);
    EXPECT_DOUBLE_EQ(mode->imageBrowserView()->zoomValue(), mode->zoomValue());
    EXPECT_DOUBLE_EQ(session.defaults().doubleForKey(QStringLiteral("imageListZoom")), mode->zoomValue());

    // In "Image" the same command zooms the viewer.
    mode->switchToUIMode(kUIModeImage);
    mode->imageView()->resize(400, 300);
    mode->onFit(nullptr);
    mode->chrome().navigationView()->setFocus();
    QTest::keyClick(mode->chrome().navigationView(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_FALSE(mode->imageView()->isFitToScreen());
}

TEST_F(KTImageModeControllerTest, ImageWithoutPathIsListedButLeftOutOfThePathMap)
{
    KTImageMO *first = session.addImage(QStringLiteral("A"), {true, std::nullopt});
    KTImageMO *pathless = session.addImage(QStringLiteral("B"), {true, std::nullopt});
    KTImageMO *last = session.addImage(QStringLiteral("C"), {true, std::nullopt});
    pathless->setPath({});
    session.process();
    KTLogCapture log;
    KTSelectedImagesModeController picks;
    KTModeWindow window(session, picks);
    window.showMode();
    EXPECT_EQ(picks.images(), (QList<KTImageMO *>{first, pathless, last}));
    EXPECT_EQ(picks.imagePathToIndexMap().size(), 2);
    EXPECT_EQ(picks.imagePathToIndexMap().value(last->path()), 2);
    EXPECT_TRUE(log.contains(QStringLiteral("Warning: image")));
    picks.setSelectedImages({last}, last, false);
    EXPECT_EQ(picks.activeImageMO(), last);
}

TEST_F(KTImageModeControllerTest, ExportPopoverListsEveryImageAndRefusesMoveInCatalogueSessions)
{
    KTUserDefaults &standard = KTUserDefaults::standardUserDefaults();
    const QString pairing = QStringLiteral("kShowRAWandJPEGAsOneFileOption");
    const QVariant previous = standard.objectForKey(pairing);
    standard.setBool(true, pairing);
    pickedSession(2);
    picked.at(0)->setDuplicateImagePath(session.path(QStringLiteral("P001_twin")));
    mode->setSelectedImages({picked.at(1)}, picked.at(1), false);

    KTExportPopupViewController *popup = mode->exportViewController();
    EXPECT_EQ(popup, mode->exportViewController()) << "made once";
    popup->reset();
    EXPECT_EQ(popup->pathsToShare(), (QStringList{session.path(QStringLiteral("P001_twin")),
                                                  picked.at(0)->path(), picked.at(1)->path()}));
    EXPECT_TRUE(popup->canMove());

    const struct
    {
        QString type;
        int kind;
        bool lightroom, iPhoto, aperture;
    } catalogues[] = {
        {kFolderTypeLightroom5, 2, false, true, true},
        {kFolderTypeiPhoto, 3, true, false, true},
        {kFolderTypeAperture, 4, true, true, false},
    };
    const std::shared_ptr<KTShareSystem> previousSystem =
        KTShareSystem::install(std::make_shared<EveryApplication>());
    auto kind = std::make_shared<FixedCatalogueKind>();
    const std::shared_ptr<KTExternalStatusSync> previousSync = KTExternalStatusSync::install(kind);
    for (const auto &c : catalogues) {
        KTFolderMO *source = session.addSource(c.type);
        kind->kind = c.kind;
        popup->reset();
        EXPECT_FALSE(popup->canMove()) << c.type.toStdString();
        EXPECT_FALSE(popup->moveButton()->isButtonEnabled());
        EXPECT_EQ(popup->exportToLightroomButton()->isButtonEnabled(), c.lightroom) << c.type.toStdString();
        EXPECT_EQ(popup->exportToiPhotoButton()->isButtonEnabled(), c.iPhoto) << c.type.toStdString();
        EXPECT_EQ(popup->exportToApertureButton()->isButtonEnabled(), c.aperture) << c.type.toStdString();
        session.storage().managedObjectContext()->deleteObject(source);
        session.process();
    }
    KTExternalStatusSync::install(previousSync);
    KTShareSystem::install(previousSystem);

    // Moving from the popover asks for a folder for every image of the list.
    qsizetype asked = -1;
    KTModeShareActions::setFolderPanel(
        [&](QWidget *, qsizetype count, bool, std::function<void(const QString &)>) { asked = count; });
    mode->onExport(mode->exportButton());
    EXPECT_TRUE(mode->exportButton()->isPushed());
    popup->closeWithType(KTExportPopupViewController::CloseMove);
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(mode->exportButton()->isPushed());
    KTModeShareActions::setFolderPanel({});
    standard.setObject(previous, pairing);
}

TEST_F(KTImageModeControllerTest, StoredSortOrderAndSubModeComeBackAfterARestart)
{
    pickedSession(4);
    mode->switchSortKeyButton()->selectItemWithTag(2);
    mode->switchSortOrderButton()->setPushed(true);
    mode->onSwitchSortOrder(mode->switchSortOrderButton());
    mode->switchToUIMode(kUIModeImage);
    window.reset();
    mode.reset();
    session.restartDefaults();

    mode = std::make_unique<KTSelectedImagesModeController>();
    window = std::make_unique<KTModeWindow>(session, *mode);
    window->showMode();
    EXPECT_EQ(mode->UIMode(), kUIModeImage);
    EXPECT_FALSE(mode->sortOrder());
    EXPECT_EQ(names(mode->images()), (QStringList{"P004", "P003", "P002", "P001"}));
    EXPECT_TRUE(mode->switchSortOrderButton()->isPushed());

    // Another list mode keeps its own.
    KTRedjectedImagesModeController rejects;
    EXPECT_EQ(rejects.UIMode(), kUIModeList);
    EXPECT_TRUE(rejects.sortOrder());
}

} // namespace

// The zoom pop-up and the information strip show one figure for the viewer's zoom, also for the
// zooms that truncating and rounding read differently (133.6 % is 134 % in both places).
TEST_F(KTImageModeControllerTest, ZoomPopUpAndInfoStripShowTheSameFigure)
{
    pickedSession(2);
    mode->switchToUIMode(kUIModeImage);
    KTImageView *viewer = mode->imageView();
    KTResizablePopUpButton *popUp = mode->chrome().switchZoomButton();
    ASSERT_NE(popUp, nullptr);
    for (const double factor : {1.336, 1.887, 2.828, 0.505}) {
        viewer->scale(factor, KTAnimated::No);
        const QString strip = mode->infoView()->scalePercentTextField()->stringValue();
        EXPECT_EQ(strip, QStringLiteral("%1%").arg(std::lround(factor * 100))) << factor;
        EXPECT_EQ(popUp->title(), QStringLiteral("Zoom %1").arg(strip)) << factor;
    }
}
