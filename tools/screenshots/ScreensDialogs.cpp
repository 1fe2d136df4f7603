// The shell's small windows: the quick tips, about, the rate prompt, the export popover, the
// move-to-trash tips for each kind of catalogue, the progress sheet, the settings windows, the
// accuracy and time-range popovers, preferences and the missing-images sheet.

#include "KTScreenMainWindow.h"
#include "KTScreenRegistry.h"

#include "KTAboutWindow.h"
#include "KTAccuracyPopoverWindowController.h"
#include "KTBrokenImagesWindowController.h"
#include "KTCancelTaskProtocol.h"
#include "KTDuplicatesSearchSettingsController.h"
#include "KTFocusMaskDefaults.h"
#include "KTFocusMaskSettingsController.h"
#include "KTPreferencesWindowController.h"
#include "KTProgressWindowController.h"
#include "KTSheetWindow.h"
#include "KTTasksNotifier.h"
#include "KTTimeRangePopoverWindowController.h"
#include "KTTimeWeakeningFactorView.h"
#include "KTWindow.h"
#include "KTColor.h"
#include "KTDialogPictures.h"
#include "KTExportPopupViewController.h"
#include "KTExternalImagesManager.h"
#include "KTFont.h"
#include "KTMoveToTrashTipsViewController.h"
#include "KTNamedImages.h"
#include "KTPopoverView.h"
#include "KTRateWindow.h"
#include "KTShareManager.h"
#include "KTShareSystem.h"
#include "KTSubscriptionClient.h"
#include "KTTipsWindow.h"
#include "KTUserDefaults.h"

#include <QApplication>
#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

/// A subscription client that is configured and never sends.
class ConfiguredClient : public KTSubscriptionClient
{
public:
    bool isAvailable() const override { return true; }
    void postSubscription(const QByteArray &, Completion) override {}
};

/// A desktop with the three photo managers, which starts nothing.
class DesktopWithPhotoManagers : public KTShareSystem
{
public:
    void showItemsInFileManager(const QStringList &, std::function<void(bool)> done) override { done(true); }
    bool openFolder(const QString &) override { return true; }
    QList<KTDesktopEntry> imageEditors() override { return {}; }
    std::optional<KTDesktopEntry> applicationForExportTarget(const QString &id) override
    {
        return KTDesktopEntry{id, id, id};
    }
    bool openWithApplication(const KTDesktopEntry &, const QStringList &) override { return true; }
    bool canSendEmail() override { return false; }
    bool sendEmail(const QStringList &) override { return false; }
};

/// A tips window opened for the `opening`-th time (0 the first), turned to `page`.
QImage tipsOnPage(KTScreenContext &context, int page)
{
    KTUserDefaults::standardUserDefaults().removeObjectForKey(kKTTipIndexKey);
    KTTipsWindow window;
    window.setSelectedIndex(page);
    return context.capture(window);
}

/// `content` in a popover frame with its arrow at the top.
QImage inPopover(KTScreenContext &context, QWidget &content, KTPopoverView::ArrowEdge edge)
{
    KTPopoverView popover(&content);
    popover.setArrowEdge(edge);
    if (edge == KTPopoverView::ArrowTop)
        popover.setArrowOffset(20);
    return context.capture(popover);
}

QImage trashTips(KTScreenContext &context, int catalogType)
{
    KTMoveToTrashTipsViewController tips([catalogType] { return catalogType; });
    return inPopover(context, tips, KTPopoverView::ArrowNone);
}

/// Paints `board` in the window grey and gives it a grid with `margins` for its content.
QGridLayout *greyBoard(QWidget &board, const QMargins &margins)
{
    QPalette palette = board.palette();
    palette.setColor(QPalette::Window, KTPalette::kWindow);
    board.setPalette(palette);
    board.setAutoFillBackground(true);
    auto *grid = new QGridLayout(&board);
    grid->setContentsMargins(margins);
    return grid;
}

/// A task sender that can be cancelled, so the sheet offers Cancel.
class CancelableSender : public QObject, public KTCancelTaskProtocol
{
public:
    void cancelCurrentTask() override {}
};

/// A main window stand-in, shown, with `sheet` hanging from its title strip; what both show.
QImage sheetOverMainWindow(KTWindow &window, KTSheetWindow &sheet)
{
    (void)QTest::qWaitForWindowExposed(&window, 2000);
    sheet.beginSheet(&window);
    QImage picture = captureWithWindowsOver(window, {&sheet});
    sheet.endSheet();
    window.hide();
    return picture;
}

void showMainWindow(KTScreenContext &context, KTWindow &window)
{
    dressMainWindow(window, context, QSize(1000, 620));
    window.show();
}

/// Delivers what the bus was given so far.
void deliverTasks()
{
    for (int i = 0; i < 4; ++i)
        QApplication::processEvents();
}

QList<KTBrokenImage> brokenImages()
{
    const QStringList names{"IMG_4021.CR2", "IMG_4022.CR2", "DSC_0193.NEF", "P1010044.RW2", "_MG_7781.CR2"};
    QList<KTBrokenImage> images;
    for (qsizetype i = 0; i < names.size(); ++i) {
        images.append({names[i], i % 3 == 1 ? QStringLiteral("The file could not be read.")
                                            : QStringLiteral("The file is no longer there.")});
    }
    // The reasons of images that would decode to nothing, and of a folder that cannot be read.
    images.append({QStringLiteral("IMG_4107.JPG"), QStringLiteral("Damaged: the image data ends early.")});
    images.append(
        {QStringLiteral("Panorama_full.png"), QStringLiteral("Its size exceeds the 2 GiB decoding limit.")});
    images.append({QStringLiteral("Private"), QStringLiteral("Unreadable folder: Permission denied."),
                   KTBrokenImage::Kind::Folder});
    return images;
}

QImage brokenImagesSheet(KTScreenContext &context, bool unfolded)
{
    KTWindow window;
    showMainWindow(context, window);
    KTBrokenImagesWindowController sheet;
    sheet.setBrokenImages(brokenImages());
    if (unfolded)
        sheet.onShowDetails();
    return sheetOverMainWindow(window, sheet);
}

} // namespace

KT_SCREEN(dialogs_tips_first_page)
{
    return tipsOnPage(context, 0);
}

KT_SCREEN(dialogs_tips_picks_page)
{
    // The page with the longest description.
    return tipsOnPage(context, 8);
}

// "Show tips at startup" turned off: the empty box must still read on the window grey.
KT_SCREEN(dialogs_tips_not_at_startup)
{
    const bool previous = KTTipsWindow::wantsShowAtStartup();
    KTTipsWindow::setWantsShowAtStartup(false);
    QImage picture = tipsOnPage(context, 1);
    KTTipsWindow::setWantsShowAtStartup(previous);
    return picture;
}

KT_SCREEN(dialogs_tips_last_page)
{
    const auto previous = KTSubscriptionClient::install(std::make_shared<ConfiguredClient>());
    QImage picture = tipsOnPage(context, 10);
    KTSubscriptionClient::install(previous);
    return picture;
}

KT_SCREEN(dialogs_tips_last_page_no_newsletter)
{
    const auto previous = KTSubscriptionClient::install(std::make_shared<KTNetworkSubscriptionClient>());
    QImage picture = tipsOnPage(context, 10);
    KTSubscriptionClient::install(previous);
    return picture;
}

// Every picture of the tips, one under the other's title, to look at them side by side.
KT_SCREEN(dialogs_tips_pictures)
{
    KTDialogPictures::registerPictures();
    QWidget sheet;
    QGridLayout *grid = greyBoard(sheet, QMargins(24, 20, 24, 24));
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(6);
    const qreal ratio = context.devicePixelRatio();
    for (int page = 2; page <= 10; ++page) {
        const int slot = page - 2;
        auto *title = new QLabel(KTTipsWindow::tips()[page - 1].title, &sheet);
        title->setFont(ktSmallFont());
        grid->addWidget(title, (slot / 3) * 2, slot % 3);
        auto *picture = new QLabel(&sheet);
        picture->setPixmap(QPixmap::fromImage(
            KTNamedImages::shared().image(KTDialogPictures::tipImageName(page), QSizeF(420, 225), ratio)));
        grid->addWidget(picture, (slot / 3) * 2 + 1, slot % 3);
    }
    return context.capture(sheet);
}

KT_SCREEN(dialogs_about)
{
    KTAboutWindow window;
    return context.capture(window);
}

KT_SCREEN(dialogs_rate)
{
    KTRateWindow window;
    return context.capture(window);
}

// A session on a Lightroom 5 catalogue, on a desktop with the three photo managers.
KT_SCREEN(dialogs_export_popup)
{
    const auto previous = KTShareSystem::install(std::make_shared<DesktopWithPhotoManagers>());
    KTExportPopupViewController popup([] { return 2; });
    popup.setPathsToShareHandler([] { return QStringList{QStringLiteral("/photos/a.jpg")}; });
    popup.reset();
    QImage picture = inPopover(context, popup, KTPopoverView::ArrowTop);
    KTShareSystem::install(previous);
    return picture;
}

KT_SCREEN(dialogs_trash_tips_lightroom)
{
    return trashTips(context, 2);
}

KT_SCREEN(dialogs_trash_tips_iphoto)
{
    return trashTips(context, 3);
}

KT_SCREEN(dialogs_trash_tips_aperture)
{
    return trashTips(context, 4);
}

// "Loading Images" with its steps counted, a third of the way, the estimate renewed.
KT_SCREEN(dialogs_progress_sheet_determinate)
{
    KTWindow window;
    showMainWindow(context, window);
    KTProgressWindowController progress;
    progress.setPresentingWindow(&window);
    double seconds = 0;
    progress.setClock([&] { return seconds; });
    CancelableSender catalogue;
    KTTasksNotifier &bus = KTTasksNotifier::sharedNotifier();
    bus.taskDidStart(kLoadImagesTaskName, &catalogue, KTTaskDidStartInfo::cancelable());
    bus.numberOfTaskStepsDidCalculate(1200, &catalogue);
    deliverTasks();
    // A first renewal by time sets the reference point; 400 steps in the next 120 s leave 4 minutes.
    seconds = 90;
    progress.setProgressValue(400);
    seconds = 210;
    progress.setProgress(1);
    return sheetOverMainWindow(window, *progress.window());
}

// The search inside the load, before it counts its steps: stripes and Cancel, no estimate.
KT_SCREEN(dialogs_progress_sheet_indeterminate)
{
    KTWindow window;
    showMainWindow(context, window);
    KTProgressWindowController progress;
    progress.setPresentingWindow(&window);
    CancelableSender catalogue;
    KTTasksNotifier &bus = KTTasksNotifier::sharedNotifier();
    bus.taskDidStart(kLoadImagesTaskName, &catalogue, KTTaskDidStartInfo::cancelable());
    bus.taskDidStart(kSearchDuplicatesTaskName, &catalogue, KTTaskDidStartInfo::cancelable());
    deliverTasks();
    return sheetOverMainWindow(window, *progress.window());
}

KT_SCREEN(dialogs_search_settings)
{
    KTDuplicatesSearchSettingsController settings;
    settings.loadSettingsFromPath(presetPathForIndex(2));
    settings.timeWeakeningFactorView()->setWeakeningFactorPoints(
        KTDuplicatesSearchSettingsController::defaultWeakeningFactorPoints());
    return context.capture(settings);
}

KT_SCREEN(dialogs_curve_editor)
{
    QWidget board;
    QGridLayout *grid = greyBoard(board, QMargins(20, 20, 20, 20));
    auto *editor = new KTTimeWeakeningFactorView(&board);
    editor->setFixedSize(360, 160);
    editor->setWeakeningFactorPoints({{0.04, 0.5}, {0.16, 0.68}, {0.42, 0.85}, {0.9, 0.95}});
    grid->addWidget(editor);
    return context.capture(board);
}

KT_SCREEN(dialogs_accuracy_popover)
{
    KTAccuracyPopoverWindowController popover;
    popover.setAccuracyLevel(4);
    popover.buttonForLevel(4)->setPushed(true);
    return inPopover(context, popover, KTPopoverView::ArrowTop);
}

KT_SCREEN(dialogs_time_range_popover)
{
    KTTimeRangePopoverWindowController popover;
    popover.setTimeRange(60);
    popover.setDescriptionString(
        QStringLiteral("Shots taken further apart than this are never grouped as similar."));
    return inPopover(context, popover, KTPopoverView::ArrowTop);
}

KT_SCREEN(dialogs_focus_mask_settings)
{
    QTemporaryDir dir;
    KTUserDefaults defaults(dir.filePath(QStringLiteral("defaults.ini")));
    KTFocusMaskDefaults::registerDefaults(defaults);
    KTFocusMaskSettingsController settings(defaults);
    return context.capture(settings);
}

KT_SCREEN(dialogs_preferences)
{
    QTemporaryDir dir;
    KTUserDefaults defaults(dir.filePath(QStringLiteral("defaults.ini")));
    defaults.setBool(true, kLightroomSyncOptionPicksKey);
    defaults.setBool(false, kLightroomSyncOptionRejectsKey);
    KTPreferencesWindowController preferences(nullptr, defaults);
    return context.capture(*preferences.window());
}

KT_SCREEN(dialogs_missing_images_folded)
{
    return brokenImagesSheet(context, false);
}

KT_SCREEN(dialogs_missing_images_unfolded)
{
    return brokenImagesSheet(context, true);
}
