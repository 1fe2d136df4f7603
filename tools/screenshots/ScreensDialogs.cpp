// The shell's small windows: the quick tips, about, the rate prompt, the export popover and the
// move-to-trash tips for each kind of catalogue.

#include "KTScreenRegistry.h"

#include "KTAboutWindow.h"
#include "KTColor.h"
#include "KTDialogPictures.h"
#include "KTExportPopupViewController.h"
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

#include <QGridLayout>
#include <QLabel>
#include <QPainter>

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
    QPalette palette = sheet.palette();
    palette.setColor(QPalette::Window, KTPalette::kWindow);
    sheet.setPalette(palette);
    sheet.setAutoFillBackground(true);
    auto *grid = new QGridLayout(&sheet);
    grid->setContentsMargins(24, 20, 24, 24);
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
