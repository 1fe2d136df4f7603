#include "KTAbstractButton.h"
#include "KTKeyEquivalent.h"

#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

/// A shown, active window holding one button.
struct ButtonWindow
{
    ButtonWindow()
    {
        window.resize(200, 60);
        button->setGeometry(10, 10, 100, 24);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    QWidget window;
    KTAbstractButton *button = new KTAbstractButton(QStringLiteral("Title"), &window);
};

} // namespace

TEST(KTAbstractButtonTest, BehaviourDecidesWhatAClickDoesToPushed)
{
    struct Case
    {
        int behavior;
        bool pushedAfterClick;
        bool pushedWhilePressed;
    };
    const Case cases[] = {{KTAbstractButton::Toggle, true, false},
                          {KTAbstractButton::Momentary, false, false},
                          {KTAbstractButton::PopUp, true, true}};
    for (const Case &c : cases) {
        KTAbstractButton button(QStringLiteral("B"));
        button.resize(60, 24);
        button.setBehavior(c.behavior);
        bool pushedAtAction = false;
        QObject::connect(&button, &KTControl::clicked, [&] { pushedAtAction = button.isPushed(); });
        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(button.isPushed(), c.pushedWhilePressed) << "behaviour " << c.behavior;
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
        EXPECT_EQ(button.isPushed(), c.pushedAfterClick) << "behaviour " << c.behavior;
        EXPECT_EQ(pushedAtAction, c.pushedAfterClick) << "the action ran before the state changed";
    }
}

TEST(KTAbstractButtonTest, SetPushedShowsWithoutSendingTheAction)
{
    KTAbstractButton button;
    QSignalSpy pushed(&button, &KTAbstractButton::pushedChanged);
    QSignalSpy clicked(&button, &KTControl::clicked);
    button.setPushed(true);
    button.setPushed(true);
    EXPECT_EQ(pushed.count(), 1);
    EXPECT_EQ(clicked.count(), 0);
    // A release away from the button is no click.
    button.resize(60, 24);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(80, 5));
    EXPECT_EQ(clicked.count(), 0);
}

TEST(KTAbstractButtonTest, ADisabledButtonRefusesEveryRoute)
{
    ButtonWindow w;
    KTAbstractButton *button = w.button;
    button->setShortcut(QKeySequence(Qt::Key_F5));
    button->setKeyEquivalent(QStringLiteral("p"));
    button->setFocus();
    QSignalSpy clicked(button, &KTControl::clicked);
    const QKeyEvent keyP(QEvent::KeyPress, Qt::Key_P, Qt::NoModifier, QStringLiteral("p"));

    // Each route works while enabled...
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClick(&w.window, Qt::Key_F5);
    EXPECT_TRUE(KTControl::dispatchKeyEquivalent(&w.window, keyP));
    button->click();
    EXPECT_EQ(clicked.count(), 5);
    const bool pushed = button->isPushed();

    // ...and none while disabled.
    button->setButtonEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClick(&w.window, Qt::Key_F5);
    EXPECT_FALSE(KTControl::dispatchKeyEquivalent(&w.window, keyP));
    button->click();
    EXPECT_EQ(clicked.count(), 5);
    EXPECT_EQ(button->isPushed(), pushed);
}

TEST(KTAbstractButtonTest, SizeFollowsTitleAndPictogramAndClassDefaultsApplyToNewButtons)
{
    KTAbstractButton empty;
    KTAbstractButton shortTitle(QStringLiteral("Go"));
    KTAbstractButton longTitle(QStringLiteral("A much longer title"));
    EXPECT_LT(shortTitle.sizeHint().width(), longTitle.sizeHint().width());
    EXPECT_EQ(empty.sizeHint().height(), 24) << "the height of the background centre";
    const int plain = shortTitle.sizeHint().width();
    shortTitle.setPictogramName(QStringLiteral("flag"));
    EXPECT_NEAR(shortTitle.sizeHint().width(), plain + 16 + 4, 1);
    shortTitle.setPictogramName(QStringLiteral("no-such-picture"));
    EXPECT_TRUE(shortTitle.pictogram().isNull());

    const QFont before = KTAbstractButton::defaultFont();
    KTAbstractButton::setDefaultFontSize(20);
    KTAbstractButton::setDefaultTextOffset({0, 3});
    KTAbstractButton made;
    EXPECT_EQ(made.font().pixelSize(), 20);
    EXPECT_EQ(made.textOffset(), QPointF(0, 3));
    EXPECT_EQ(shortTitle.font().pixelSize(), before.pixelSize()) << "an existing button changed";
    KTAbstractButton::setDefaultFontSize(13);
    KTAbstractButton::setDefaultTextOffset({0, 1});
}
