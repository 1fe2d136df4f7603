#include "KTModeToolbar.h"

#include "KTBaseUIModeController.h"
#include "KTGroupModesTestSession.h"
#include "KTImageMO.h"
#include "KTImageStorage.h"
#include "KTReviewModeFactory.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace {

/// The controls of `bar` the user sees: visible widgets without visible children of their own.
QList<QWidget *> visibleControls(QWidget *bar)
{
    QList<QWidget *> controls;
    for (QWidget *child : bar->findChildren<QWidget *>()) {
        if (!child->isVisibleTo(bar) || child->width() <= 0)
            continue;
        bool hasVisibleChild = false;
        for (QWidget *inner : child->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            hasVisibleChild = hasVisibleChild || inner->isVisibleTo(bar);
        if (!hasVisibleChild)
            controls.append(child);
    }
    return controls;
}

// At the window's smallest width (900) every mode's bottom bar keeps its controls apart, in every
// sub-mode: the sort pop-up, the sort order and the accuracy of the similar groups overlapped
// there.
TEST(KTModeToolbarTest, NoControlsOverlapAtTheSmallestWindowWidth)
{
    // A real session: the group modes show their group actions and counts only with groups.
    KTBurstModesSession session;
    ASSERT_TRUE(session.load(KTBurstModesSession::defaultPhotos()));
    session.image(QStringLiteral("s00-b0-0"))->setPicked(true);
    session.storage().moveImagesToTrash({session.image(QStringLiteral("s01-b0-0"))});
    session.process();
    for (const char *uiMode : {"Duplicates", "AllImages", "Favorites", "Trash"}) {
        std::unique_ptr<KTBaseUIModeController> mode = KTReviewModeFactory::make(QString::fromLatin1(uiMode));
        ASSERT_TRUE(mode) << uiMode;
        KTModeWindow window(session, *mode, QSize(900, 600));
        // The main window's own minimum: its content is laid out in 900 points whatever it asks for.
        window.window().setMinimumSize(900, 600);
        window.window().resize(900, 600);
        window.showMode();
        auto *bar = mode->view()->findChild<KTModeToolbar *>();
        ASSERT_TRUE(bar) << uiMode;
        for (const QString &subMode : {kUIModeGroups, kUIModeList, kUIModeGroup, kUIModeImage}) {
            if (!mode->canSwitchToUIMode(subMode))
                continue;
            mode->switchToUIMode(subMode);
            QApplication::processEvents();
            const QList<QWidget *> controls = visibleControls(bar);
            for (qsizetype i = 0; i < controls.size(); ++i) {
                const QRect a(controls[i]->mapTo(bar, QPoint(0, 0)), controls[i]->size());
                EXPECT_TRUE(bar->rect().contains(a))
                    << uiMode << " " << subMode.toStdString() << ": "
                    << controls[i]->objectName().toStdString() << " leaves the bar";
                for (qsizetype j = i + 1; j < controls.size(); ++j) {
                    const QRect b(controls[j]->mapTo(bar, QPoint(0, 0)), controls[j]->size());
                    EXPECT_FALSE(a.intersects(b)) << uiMode << " " << subMode.toStdString() << ": "
                                                  << controls[i]->objectName().toStdString() << " overlaps "
                                                  << controls[j]->objectName().toStdString();
                }
            }
        }
    }
}

} // namespace
