#include "KTPopoverManager.h"
#include "KTPopoverView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWindowStateChangeEvent>

#include <gtest/gtest.h>

TEST(KTPopoverManagerTest, PlacementBelowOrOverTheAnchorInsideTheScreen)
{
    struct Case
    {
        QRect anchor;
        int position;
        double offset;
        QRect expected;
    };
    const QRect screen(0, 0, 1000, 800);
    const QSize size(200, 100);
    const Case cases[] = {
        {{400, 100, 40, 20}, KTPopoverManager::Below, 0, {320, 120, 200, 100}},
        {{400, 100, 40, 20}, KTPopoverManager::Below, -20, {300, 120, 200, 100}},
        {{300, 300, 400, 200}, KTPopoverManager::Centered, 0, {400, 350, 200, 100}},
        // Pushed back inside the screen at the right and bottom edges.
        {{960, 760, 30, 20}, KTPopoverManager::Below, 0, {800, 700, 200, 100}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(KTPopoverManager::popoverGeometry(c.anchor, size, c.position, c.offset, screen),
                  c.expected);
}

TEST(KTPopoverManagerTest, CloseHandlerRunsOnceWhateverClosesThePopover)
{
    QWidget window;
    window.resize(400, 300);
    auto *anchor = new QWidget(&window);
    anchor->setGeometry(50, 50, 40, 20);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QWidget content;
    content.resize(120, 60);
    KTPopoverManager manager;

    const auto closers = std::vector<std::pair<const char *, std::function<void()>>>{
        {"dismiss",
         [&] {
             manager.dismissPopover();
             manager.dismissPopover();
         }},
        {"outside click",
         [&] {
             KTPopoverView *view = manager.popoverView();
             QMouseEvent press(QEvent::MouseButtonPress, QPointF(-20, -20),
                               view->mapToGlobal(QPointF(-20, -20)), Qt::LeftButton, Qt::LeftButton,
                               Qt::NoModifier);
             QApplication::sendEvent(view, &press);
         }},
        {"application inactive", [&] { emit qApp->applicationStateChanged(Qt::ApplicationInactive); }},
        {"full screen",
         [&] {
             window.setWindowState(Qt::WindowFullScreen);
             QWindowStateChangeEvent change(Qt::WindowNoState);
             QApplication::sendEvent(&window, &change);
         }},
    };
    for (const auto &[name, close] : closers) {
        window.setWindowState(Qt::WindowNoState);
        int closed = 0;
        manager.showPopoverView(&content, anchor, KTPopoverManager::Below, -20, [&] { ++closed; });
        ASSERT_TRUE(manager.isShown()) << name;
        EXPECT_EQ(content.parentWidget(), manager.popoverView());
        close();
        QApplication::processEvents();
        EXPECT_EQ(closed, 1) << name;
        EXPECT_FALSE(manager.isShown()) << name;
        EXPECT_EQ(content.parentWidget(), nullptr) << name << ": the content was not handed back";
    }

    // A popover shown in the place of another closes the first.
    int first = 0;
    int second = 0;
    manager.showPopoverView(&content, anchor, KTPopoverManager::Centered, 0, [&] { ++first; });
    manager.showPopoverView(&content, anchor, KTPopoverManager::Below, 0, [&] { ++second; });
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(content.parentWidget(), manager.popoverView());
    manager.dismissPopover();
    EXPECT_EQ(second, 1);
}
