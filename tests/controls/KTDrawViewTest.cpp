#include "KTBackgroundGradientView.h"
#include "KTBackgroundView.h"
#include "KTDrawView.h"
#include "KTNamedImages.h"
#include "KTSimpleBackgroundView.h"

#include <QContextMenuEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class RecordingView : public KTDrawView
{
public:
    using KTDrawView::KTDrawView;
    std::vector<QRectF> drawn;
    QStringList hooks;

protected:
    void drawInRect(QPainter &, const QRectF &dirty) override { drawn.push_back(dirty); }
    void viewDidHide() override { hooks.append("hide"); }
    void viewDidUnhide() override
    {
        KTDrawView::viewDidUnhide();
        hooks.append("unhide");
    }
};

QImage renderArea(QWidget &widget, const QRect &area)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, area.topLeft(), QRegion(area), {});
    return image;
}

} // namespace

TEST(KTDrawViewTest, DrawsOnlyWhileItAndItsAncestorsAreShownAndHearsHideAndUnhide)
{
    QWidget window;
    window.resize(100, 100);
    QWidget parent(&window);
    RecordingView view(&parent);
    view.resize(50, 50);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(view.hooks, QStringList{"unhide"});

    parent.hide();
    EXPECT_EQ(view.hooks, (QStringList{"unhide", "hide"}));
    view.drawn.clear();
    QImage image(50, 50, QImage::Format_ARGB32_Premultiplied);
    view.render(&image);
    EXPECT_TRUE(view.drawn.empty()) << "a view in a hidden parent drew";

    parent.show();
    EXPECT_EQ(view.hooks, (QStringList{"unhide", "hide", "unhide"}));
    view.render(&image, {}, QRegion(10, 10, 5, 5));
    ASSERT_EQ(view.drawn.size(), 1u);
    EXPECT_EQ(view.drawn[0], QRectF(10, 10, 5, 5));
}

// The gradient is laid across the whole width, so any part repainted alone gets the pixels a full
// repaint gives it: left of the middle, across it, and right of it.
TEST(KTDrawViewTest, SideGradientOfAPartialRepaintMatchesTheFullRepaint)
{
    KTSimpleBackgroundView view;
    view.resize(200, 20);
    view.setBackgroundColor(QColor(30, 30, 30));
    view.setGradientColor(QColor(0, 0, 0, 200));
    view.setPatternImageName(QStringLiteral("no-such-pattern"));
    const QImage full = renderArea(view, view.rect());
    EXPECT_NE(full.pixelColor(2, 10), full.pixelColor(100, 10)) << "no gradient painted";
    EXPECT_EQ(full.pixelColor(100, 10).rgb(), QColor(30, 30, 30).rgb()) << "the middle is not clear";

    for (const QRect area : {QRect(10, 0, 40, 20), QRect(80, 0, 50, 20), QRect(150, 0, 30, 20)}) {
        const QImage part = renderArea(view, area);
        for (int x = area.left(); x <= area.right(); ++x)
            ASSERT_LE(std::abs(qGray(part.pixel(x, 10)) - qGray(full.pixel(x, 10))), 1) << "x " << x;
    }
}

TEST(KTDrawViewTest, BackgroundImageRectForEachContentMode)
{
    struct Case
    {
        int mode;
        QRectF expected;
    };
    // A 100 x 50 image in 200 x 200 bounds; an unknown mode stretches like mode 0.
    const Case cases[] = {{KTBackgroundView::ScaleToFill, {0, 0, 200, 200}},
                          {KTBackgroundView::ScaleAspectFit, {0, 50, 200, 100}},
                          {KTBackgroundView::ScaleAspectFill, {-100, 0, 400, 200}},
                          {7, {0, 0, 200, 200}}};
    for (const Case &c : cases)
        EXPECT_EQ(KTBackgroundView::imageRect({100, 50}, {200, 200}, c.mode), c.expected)
            << "mode " << c.mode;
}

TEST(KTDrawViewTest, BackgroundViewColourWinsOverPatternAndFrameIsDrawnInside)
{
    KTNamedImages::shared().registerPainter(
        QStringLiteral("test_pattern"), {4, 4},
        [](QPainter &p, const QSizeF &s) { p.fillRect(QRectF({}, s), Qt::red); });
    KTBackgroundView view;
    view.resize(20, 20);
    view.setPatternImageName(QStringLiteral("test_pattern"));
    EXPECT_EQ(renderArea(view, view.rect()).pixelColor(10, 10), QColor(Qt::red));
    view.setBackgroundColor(Qt::blue);
    view.setDrawsSelectionFrame(true);
    const QImage image = renderArea(view, view.rect());
    EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(0, 10), QColor(201, 174, 110));
    KTNamedImages::shared().unregisterPainter(QStringLiteral("test_pattern"));
}

TEST(KTDrawViewTest, ContentModeAnnouncesOnlyChangesAndCtrlPressOpensTheContextMenu)
{
    struct MenuView : KTBackgroundView
    {
        int menus = 0;
        void contextMenuEvent(QContextMenuEvent *) override { ++menus; }
    } view;
    QSignalSpy changes(&view, &KTBackgroundView::contentModeChanged);
    view.setContentMode(1);
    view.setContentMode(1);
    EXPECT_EQ(changes.count(), 1);

    view.resize(20, 20);
    QTest::mouseClick(&view, Qt::LeftButton, Qt::ControlModifier, QPoint(5, 5));
    QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(view.menus, 1);
}

TEST(KTDrawViewTest, GradientViewDarkensTowardsEachEdgeAlike)
{
    KTBackgroundGradientView view;
    view.resize(100, 100);
    const QImage image = renderArea(view, view.rect());
    const auto alpha = [&](int x, int y) { return qAlpha(image.pixel(x, y)); };
    EXPECT_GT(alpha(0, 50), alpha(25, 50));
    EXPECT_GT(alpha(25, 50), alpha(50, 50));
    EXPECT_NEAR(alpha(0, 50), alpha(99, 50), 3);
    EXPECT_NEAR(alpha(50, 0), alpha(50, 99), 3);
    EXPECT_NEAR(alpha(0, 50), alpha(50, 0), 3);
}
