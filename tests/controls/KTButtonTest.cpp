#include "KTBadgeButton.h"
#include "KTButton.h"
#include "KTModeButton.h"
#include "KTModeButtonCell.h"
#include "KTNamedImages.h"
#include "KTOnOffButton.h"
#include "KTThreePartImage.h"

#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

bool sameImage(const QImage &a, const QImage &b)
{
    return a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

QImage solid(QColor colour, QSize size = {16, 16})
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

} // namespace

TEST(KTButtonTest, ThreePartFlagsChooseTheBackgroundAndTheDropDownWins)
{
    KTButton button;
    button.resize(90, 24);
    button.setUsesThreePartImage(true);
    button.setUsesThreePartDropdownImage(true);
    button.initialize();
    const QImage dropdown = threePartImage(KTThreePartNames::fromBase("dropdown"), {90, 24}, 1);
    const QImage dropdownOn =
        threePartImage(KTThreePartNames::fromBase("dropdown").withSuffix("_on"), {90, 24}, 1);
    EXPECT_TRUE(sameImage(button.initialButtonImage(), dropdown));
    EXPECT_TRUE(sameImage(button.initialButtonAlternateImage(), dropdownOn));
    EXPECT_EQ(button.titleColor(), QColor(Qt::white));
    EXPECT_EQ(button.alternateTitleColor(), QColor(255, 255, 0));
    EXPECT_TRUE(button.needsShadow());
}

TEST(KTButtonTest, TitleMovesIntoTheImageAndTheBadgeFollowsItsText)
{
    KTButton button;
    button.resize(90, 24);
    button.setUsesThreePartImage(true);
    button.setTitle("Groups");
    button.initialize();
    EXPECT_EQ(button.buttonTitle(), "Groups");
    EXPECT_TRUE(button.title().isEmpty());
    // Renderings after the set-up draw the title's shadow.
    button.updateImage();
    const QImage titled = button.image();
    EXPECT_FALSE(sameImage(titled, button.initialButtonImage()));

    button.setBadge("12");
    const QImage badged = button.image();
    EXPECT_FALSE(sameImage(badged, titled));
    EXPECT_FALSE(sameImage(button.alternateImage(), button.initialButtonAlternateImage()));
    button.setBadge(QStringLiteral("12"));
    EXPECT_EQ(button.image().cacheKey(), badged.cacheKey()) << "the same badge rendered again";
    button.setBadge("");
    EXPECT_TRUE(sameImage(button.image(), titled)) << "an empty badge did not remove it";

    // No title: the background stays without text; a subtitle without a title is not drawn.
    button.setButtonTitle("");
    button.setSubtitle("alone");
    EXPECT_TRUE(sameImage(button.image(), button.initialButtonImage()));
}

TEST(KTButtonTest, AlternateTitleChangeWhileOnPassesTheStateThroughOff)
{
    KTButton button;
    button.resize(90, 24);
    button.setUsesThreePartImage(true);
    button.initialize();
    button.setState(1);
    QSignalSpy states(&button, &KTButton::stateChanged);
    button.setButtonAlternateTitle("On");
    ASSERT_EQ(states.count(), 2);
    EXPECT_EQ(states[0][0].toInt(), 0);
    EXPECT_EQ(states[1][0].toInt(), 1);
}

TEST(KTButtonTest, PlainKeysMatchByKeyEquivalentAndModifiedKeysAsTheyCame)
{
    KTButton button;
    button.setKeyEquivalent("x");
    QSignalSpy clicked(&button, &KTControl::clicked);
    // A plain press whose characters are odd (a dead key) still matches by its key.
    EXPECT_TRUE(
        button.performKeyEquivalent(QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "\u00a8")));
    EXPECT_FALSE(button.performKeyEquivalent(QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::ShiftModifier, "X")));
    button.setKeyEquivalent("X", Qt::ShiftModifier);
    EXPECT_TRUE(button.performKeyEquivalent(QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::ShiftModifier, "X")));
    EXPECT_EQ(clicked.count(), 2);
}

TEST(KTButtonTest, ModeButtonTurnsOnByAClickAndIgnoresClicksWhileOnOrDisabled)
{
    KTModeButton button;
    button.resize(60, 24);
    QSignalSpy clicked(&button, &KTControl::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(button.state(), 1);
    EXPECT_EQ(clicked.count(), 1);
    QTest::mouseClick(&button, Qt::LeftButton, {}, {5, 5});
    button.click();
    EXPECT_EQ(button.state(), 1);
    EXPECT_EQ(clicked.count(), 1) << "a click on a mode button that is on was sent";

    button.setState(0);
    button.setButtonEnabled(false);
    QTest::mouseClick(&button, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(button.state(), 0);
    EXPECT_EQ(clicked.count(), 1);
}

TEST(KTButtonTest, DisabledButtonDropsPressesAndStateObserversHearNothing)
{
    KTButton button;
    button.resize(60, 24);
    button.setButtonType(KTButton::Toggle);
    button.setButtonEnabled(false);
    QSignalSpy states(&button, &KTButton::stateChanged);
    QSignalSpy pressed(&button, &KTControl::pressed);
    QTest::mouseClick(&button, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(states.count(), 0);
    EXPECT_EQ(pressed.count(), 0);
}

TEST(KTButtonTest, ModeButtonCellDimsItsControlWhileHighlighted)
{
    KTModeButton button;
    button.resize(60, 24);
    new KTModeButtonCell(&button);
    QTest::mousePress(&button, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(button.alphaValue(), 0.5);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(button.alphaValue(), 1.0);
}

// As the image viewer makes its pick button: in code, without initialize(); the state is set from
// the record after the action, never by the click.
TEST(KTButtonTest, OnOffButtonShowsThePictureOfItsStateAndLeavesTheStateToItsOwner)
{
    QWidget parent;
    parent.setCursor(Qt::CrossCursor);
    auto *button = new KTOnOffButton(&parent);
    button->resize(16, 16);
    button->setImage(solid(Qt::gray));
    button->updateImage();
    button->setAlternateImage(solid(Qt::yellow));
    button->updateAlternateImage();
    const auto shown = [&] {
        QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        button->render(&image, {}, {}, {});
        return image.pixelColor(8, 8);
    };
    EXPECT_EQ(shown(), QColor(Qt::gray));
    button->setState(1);
    EXPECT_EQ(shown(), QColor(Qt::yellow));

    QSignalSpy clicked(button, &KTControl::clicked);
    QObject::connect(button, &KTControl::clicked, [&] { button->setState(0); });
    QTest::mouseClick(button, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(button->state(), 0) << "the owner's state did not stand";
    EXPECT_EQ(shown(), QColor(Qt::gray));
    EXPECT_EQ(button->cursor().shape(), Qt::ArrowCursor);
}

TEST(KTButtonTest, BadgeButtonAddsAndRemovesItsBadgeAroundThePlainPictogram)
{
    KTBadgeButton button;
    button.setBadgeString("5");
    EXPECT_TRUE(button.pictogram().isNull()) << "a badge without a pictogram";

    button.setPictogramName("share");
    button.setPushedPictogramName("share_on");
    button.setPictogramOffset({1, 2});
    EXPECT_EQ(button.pictogram().deviceIndependentSize(), QSizeF(16, 16))
        << "a new pictogram shows plain until the badge is set again";
    const int plainWidth = button.sizeHint().width();
    button.setBadgeString("12");
    EXPECT_GT(button.pictogram().deviceIndependentSize().width(), 16 + 9);
    EXPECT_GT(button.pushedPictogram().deviceIndependentSize().width(), 16 + 9);
    EXPECT_EQ(button.pictogramOffset(), QPointF(5, 2));
    EXPECT_GT(button.sizeHint().width(), plainWidth);

    button.setBadgeString("");
    EXPECT_EQ(button.pictogram().deviceIndependentSize(), QSizeF(16, 16));
    EXPECT_EQ(button.pictogramOffset(), QPointF(1, 2));
}

// The pill is taller than a 16-point pictogram: the image takes the pill's height, so no row of
// the pill is cut, and the pictogram sits on the pill's middle.
TEST(KTButtonTest, BadgePillIsNeverCut)
{
    KTBadgeButton button;
    button.setBadgeBackgroundColor(QColor(0, 0, 255));
    const QImage badged = button.pictogramWithBadge(solid(Qt::red));
    const QSizeF size = badged.deviceIndependentSize();
    ASSERT_GT(size.height(), 16);
    // The middle column of the (empty) pill.
    const int middle = int(16 + 3 + (size.width() - 16 - 9) / 2);
    int firstBlue = -1;
    int lastBlue = -1;
    for (int y = 0; y < badged.height(); ++y) {
        if (badged.pixelColor(middle, y).blue() > 100) {
            lastBlue = y;
            if (firstBlue < 0)
                firstBlue = y;
        }
    }
    EXPECT_EQ(firstBlue, 0);
    EXPECT_EQ(lastBlue, badged.height() - 1);
    EXPECT_EQ(badged.pixelColor(8, badged.height() / 2), QColor(Qt::red));
    EXPECT_NEAR((size.height() - 16) / 2, 2, 2);
}
