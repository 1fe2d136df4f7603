#include "KTAnimations.h"
#include "KTBackgroundView.h"
#include "KTOverlayWindow.h"
#include "KTTestSupport.h"
#include "KTWindow.h"

#include <QGraphicsOpacityEffect>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

/// Animations off (or on) for one test.
struct AnimationsSwitch
{
    explicit AnimationsSwitch(bool enabled) : m_previous(KTAnimations::isEnabled())
    {
        KTAnimations::setEnabled(enabled);
    }
    ~AnimationsSwitch() { KTAnimations::setEnabled(m_previous); }
    bool m_previous;
};

QList<KTBackgroundView *> veilsOver(QWidget *view)
{
    QList<KTBackgroundView *> veils;
    for (auto *child :
         view->findChildren<KTBackgroundView *>(QStringLiteral("KTOverlayVeil"), Qt::FindDirectChildrenOnly))
        veils.append(child);
    return veils;
}

double opacityOf(QWidget *veil)
{
    return static_cast<QGraphicsOpacityEffect *>(veil->graphicsEffect())->opacity();
}

/// A plain shown window to show overlays over.
struct ShownParent
{
    explicit ShownParent(const QSize &size)
    {
        window.resize(size);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QWidget window;
};

/// Runs `check` inside the overlay's modal loop, then closes the overlay.
void whileShown(KTOverlayWindow &overlay, std::function<void()> check)
{
    QTimer::singleShot(0, &overlay, [&overlay, check] {
        check();
        overlay.closeOverlay();
    });
}

} // namespace

TEST(KTOverlayWindowTest, VeilsCoverTheContentAndTheStripFollowResizesAndGoAfterClosing)
{
    AnimationsSwitch off(false);
    KTWindow parent;
    parent.resize(800, 600);
    parent.move(120, 80);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));

    KTOverlayWindow overlay;
    overlay.resize(300, 200);
    bool checked = false;
    whileShown(overlay, [&] {
        const QList<KTBackgroundView *> content = veilsOver(parent.contentView());
        const QList<KTBackgroundView *> strip = veilsOver(parent.titleBarContainer());
        ASSERT_EQ(content.size(), 1);
        ASSERT_EQ(strip.size(), 1);
        EXPECT_EQ(content[0]->geometry(), parent.contentView()->rect());
        EXPECT_EQ(strip[0]->geometry(), parent.titleBarContainer()->rect());
        EXPECT_EQ(content[0]->backgroundColor(), QColor(0, 0, 0, 153));
        EXPECT_TRUE(content[0]->canMoveWindow());
        EXPECT_EQ(opacityOf(content[0]), 1.0);
        EXPECT_TRUE(overlay.isVisible());
        const QRect frame = parent.geometry();
        EXPECT_EQ(overlay.pos(),
                  QPoint(frame.x() + (frame.width() - 300) / 2, frame.y() + (frame.height() - 200) / 2))
            << "centred over the parent";

        parent.resize(1000, 700);
        QApplication::processEvents();
        EXPECT_EQ(content[0]->geometry(), parent.contentView()->rect());
        EXPECT_EQ(strip[0]->geometry(), QRect(0, 0, 1000, 56));
        checked = true;
    });
    overlay.showInWindow(&parent);
    EXPECT_TRUE(checked);
    EXPECT_FALSE(overlay.isVisible());
    EXPECT_TRUE(veilsOver(parent.contentView()).isEmpty());
    EXPECT_TRUE(veilsOver(parent.titleBarContainer()).isEmpty());
}

// The completion block runs before the veils start to fade; they go once the fade has run.
TEST(KTOverlayWindowTest, CompletionRunsFirstAndTheVeilsFadeOutAfterwards)
{
    AnimationsSwitch on(true);
    ShownParent shown({400, 300});
    QWidget &parent = shown.window;

    KTOverlayWindow overlay;
    overlay.resize(200, 100);
    int veilsAtCompletion = -1;
    QTimer::singleShot(0, &overlay, [&] { overlay.closeOverlay(); });
    overlay.showInWindow(&parent, KTOverlayWindow::PositionCentered,
                         [&] { veilsAtCompletion = int(veilsOver(&parent).size()); });

    EXPECT_EQ(veilsAtCompletion, 1) << "a plain window gets one veil over itself";
    ASSERT_EQ(veilsOver(&parent).size(), 1) << "still fading out when the call returns";
    EXPECT_TRUE(waitUntil([&] { return veilsOver(&parent).isEmpty(); }));
}

TEST(KTOverlayWindowTest, EscapeClosesLikeTheCloseButtonAndAKeptPositionStays)
{
    AnimationsSwitch off(false);
    ShownParent shown({400, 300});
    QWidget &parent = shown.window;

    KTOverlayWindow overlay;
    overlay.setGeometry(10, 20, 150, 100);
    int completions = 0;
    QTimer::singleShot(0, &overlay, [&] { QTest::keyClick(&overlay, Qt::Key_Escape); });
    overlay.showInWindow(&parent, KTOverlayWindow::PositionKept, [&] { ++completions; });
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(overlay.result(), 0);
    EXPECT_EQ(overlay.pos(), QPoint(10, 20));
    EXPECT_TRUE(veilsOver(&parent).isEmpty());
}

TEST(KTOverlayWindowTest, PresentMakesAFreshOverlayOfTheClass)
{
    AnimationsSwitch off(false);
    static int made = 0;
    class Tips : public KTOverlayWindow
    {
    public:
        Tips()
        {
            ++made;
            resize(120, 80);
            QTimer::singleShot(0, this, [this] { closeOverlay(); });
        }
    };
    ShownParent shown({300, 200});
    QWidget &parent = shown.window;
    bool completed = false;
    KTOverlayWindow::present<Tips>(&parent, KTOverlayWindow::PositionCentered, [&] { completed = true; });
    KTOverlayWindow::present<Tips>(&parent);
    EXPECT_EQ(made, 2);
    EXPECT_TRUE(completed);
}

// The window under the overlay goes away while the overlay runs (the application closes it): the
// overlay, standing alone or as the window's child, returns without touching what is gone.
TEST(KTOverlayWindowTest, TheParentWindowDeletedWhileShownIsNotTouchedAfterwards)
{
    AnimationsSwitch on(true);
    for (const bool childOfParent : {false, true}) {
        SCOPED_TRACE(childOfParent ? "child of the window" : "standing alone");
        auto *parent = new KTWindow;
        parent->resize(400, 300);
        parent->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(parent));
        std::unique_ptr<KTOverlayWindow> alone;
        QPointer<KTOverlayWindow> overlay;
        if (childOfParent) {
            overlay = new KTOverlayWindow(parent);
            overlay->setWindowFlags(overlay->windowFlags() | Qt::Window);
        } else {
            alone = std::make_unique<KTOverlayWindow>();
            overlay = alone.get();
        }
        overlay->resize(200, 100);
        QTimer::singleShot(0, [parent, overlay] {
            if (overlay)
                overlay->hide();
            delete parent;
        });
        overlay->showInWindow(parent);
        EXPECT_EQ(overlay.isNull(), childOfParent);
        drainMainQueue();
    }
}
