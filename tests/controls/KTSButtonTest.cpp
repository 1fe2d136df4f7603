#include "KTLocalization.h"
#include "KTNamedImages.h"
#include "KTSButton.h"
#include "KTTextColorButton.h"
#include "KTThreePartImage.h"
#include "KTWidgetRendering.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

/// Translates "Cancel" while it lives.
class Translation : public QTranslator
{
public:
    Translation() { QCoreApplication::installTranslator(this); }
    ~Translation() override { QCoreApplication::removeTranslator(this); }
    bool isEmpty() const override { return false; }
    QString translate(const char *, const char *source, const char *, int) const override
    {
        return QByteArray(source) == "Cancel" ? QStringLiteral("Abbrechen") : QString();
    }
};

/// Registers solid test parts "tsb_*" while it lives.
struct TestParts
{
    explicit TestParts(QStringList names) : m_names(std::move(names))
    {
        for (const QString &name : m_names) {
            const QColor colour = name.endsWith("_on")     ? Qt::yellow
                                  : name == "tsb_disabled" ? Qt::darkRed
                                                           : Qt::gray;
            KTNamedImages::shared().registerPainter(name, {4, 20}, [colour](QPainter &p, const QSizeF &s) {
                p.fillRect(QRectF(QPointF(), s), colour);
            });
        }
    }
    ~TestParts()
    {
        for (const QString &name : m_names)
            KTNamedImages::shared().unregisterPainter(name);
    }
    QStringList m_names;
};

/// A set-up button in a shown, active window.
struct Window
{
    Window()
    {
        window.resize(200, 60);
        button = new KTSButton(QStringLiteral("Apply"), &window);
        button->setGeometry(10, 10, 100, 24);
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        QApplication::processEvents();
    }
    QWidget window;
    KTSButton *button = nullptr;
};

} // namespace

TEST(KTSButtonTest, SetUpRunsOnTheNextTurnWithTheDefaultBackground)
{
    KTSButton button("Apply");
    button.resize(80, 24);
    EXPECT_FALSE(button.isInitialized());
    QApplication::processEvents();
    ASSERT_TRUE(button.isInitialized());
    const QImage expected = threePartImage({"button_left", "button_center", "button_right"}, {80, 24}, 1);
    EXPECT_EQ(button.defaultImage().convertToFormat(QImage::Format_ARGB32),
              expected.convertToFormat(QImage::Format_ARGB32));
    EXPECT_TRUE(button.alternateImage().isNull());
}

// Disabled right after it was made, a button stays disabled when its deferred set-up runs.
TEST(KTSButtonTest, DeferredSetUpKeepsADisableMadeBeforeIt)
{
    KTSButton button("Apply");
    button.resize(80, 24);
    button.setButtonEnabled(false);
    QApplication::processEvents();
    ASSERT_TRUE(button.isInitialized());
    EXPECT_FALSE(button.isButtonEnabled());
    EXPECT_FALSE(button.isEnabled()) << "no disabled picture: the widget is disabled";
    QSignalSpy clicked(&button, &KTControl::clicked);
    button.click();
    EXPECT_EQ(clicked.count(), 0);

    // It looks as a button disabled after its set-up does: the background dimmed, not gone.
    KTSButton later("Apply");
    later.resize(80, 24);
    QApplication::processEvents();
    later.setButtonEnabled(false);
    const QImage early = renderWidget(button, Qt::black);
    EXPECT_EQ(early, renderWidget(later, Qt::black));
    EXPECT_NE(early.pixelColor(6, 12), QColor(Qt::black)) << "no background";
}

TEST(KTSButtonTest, MissingOnPartFallsBackToTheNormalParts)
{
    TestParts parts({"tsb_left", "tsb_center", "tsb_right", "tsb_center_on", "tsb_right_on"});
    KTSButton button;
    button.resize(40, 20);
    button.setThreePartImageName("tsb");
    button.initialize();
    EXPECT_EQ(button.alternateImage().pixelColor(20, 10), QColor(Qt::gray));
    EXPECT_EQ(button.defaultImage().pixelColor(20, 10), QColor(Qt::gray));
}

// A "disabled" button that has a disabled picture stays enabled as a widget (it draws the picture
// as it is), yet no route activates it.
TEST(KTSButtonTest, DisabledWithAPictureStaysAWidgetButRefusesEveryRoute)
{
    TestParts parts({"tsb_disabled"});
    Window w;
    KTSButton *button = w.button;
    button->setIconImageName("flag");
    button->setDisabledImageName("tsb_disabled");
    button->setShortcut(QKeySequence(Qt::Key_F6));
    button->setKeyEquivalent("a");
    button->initialize();
    button->setFocus();
    QSignalSpy clicked(button, &KTControl::clicked);

    button->setButtonEnabled(false);
    EXPECT_TRUE(button->isEnabled()) << "the widget was disabled although a disabled picture exists";
    EXPECT_FALSE(button->isButtonEnabled());
    QTest::mouseClick(button, Qt::LeftButton, {}, {5, 5});
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClick(&w.window, Qt::Key_F6);
    EXPECT_FALSE(
        KTControl::dispatchKeyEquivalent(&w.window, QKeyEvent(QEvent::KeyPress, Qt::Key_A, {}, "a")));
    button->click();
    EXPECT_EQ(clicked.count(), 0);
    auto *iconOpacity = qobject_cast<QGraphicsOpacityEffect *>(button->iconImageView()->graphicsEffect());
    ASSERT_NE(iconOpacity, nullptr);
    EXPECT_EQ(iconOpacity->opacity(), 0.5);

    button->setButtonEnabled(true);
    QTest::mouseClick(button, Qt::LeftButton, {}, {5, 5});
    button->click();
    EXPECT_EQ(clicked.count(), 2);

    // Without a disabled picture the widget itself is disabled.
    button->setDisabledImageName("no-such-picture");
    button->setButtonEnabled(false);
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(iconOpacity->opacity(), 0.5);
}

TEST(KTSButtonTest, PressStyles)
{
    KTSButton momentary("Go");
    momentary.resize(60, 24);
    momentary.setMomentaryAction(true);
    momentary.initialize();
    QSignalSpy acted(&momentary, &KTControl::clicked);
    QTest::mousePress(&momentary, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(acted.count(), 1) << "the action waits for the release";
    EXPECT_EQ(momentary.state(), 1);
    QTest::mouseRelease(&momentary, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(acted.count(), 1);
    QTest::mouseClick(&momentary, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(momentary.state(), 0);
    EXPECT_EQ(acted.count(), 2);

    KTSButton look("Hold");
    look.resize(60, 24);
    look.setHasMomentaryStyle(true);
    look.initialize();
    QTest::mousePress(&look, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(look.state(), 1);
    QTest::mouseRelease(&look, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(look.state(), 0);
}

TEST(KTSButtonTest, DropDownAndIconPlacementAndLocalisedTitles)
{
    Translation translation;
    KTSButton dropDown("Cancel");
    dropDown.resize(120, 24);
    dropDown.setDropDown(true);
    dropDown.initialize();
    EXPECT_EQ(dropDown.displayedTitle(), "Abbrechen");
    EXPECT_EQ(dropDown.titleAlignment(), Qt::AlignLeft);
    EXPECT_EQ(dropDown.titleIndent(), 10.0);
    ASSERT_NE(dropDown.dropDownArrowView(), nullptr);
    EXPECT_EQ(dropDown.dropDownArrowView()->geometry().right() + 1, 120 - 10);

    KTSButton withIcon("Other");
    withIcon.resize(120, 24);
    withIcon.setIconImageName("flag");
    withIcon.initialize();
    EXPECT_EQ(withIcon.displayedTitle(), "Other");
    EXPECT_EQ(withIcon.titleAlignment(), Qt::AlignLeft) << "the icon did not join the title";
    ASSERT_NE(withIcon.iconImageView(), nullptr);
    EXPECT_LT(withIcon.iconImageView()->geometry().right(), withIcon.titleIndent());
    EXPECT_GT(withIcon.iconImageView()->x(), 10);
}

TEST(KTTextColorButtonTest, LocalisedTitleInItsColour)
{
    Translation translation;
    KTTextColorButton button("Cancel");
    EXPECT_EQ(button.title(), "Abbrechen");
    EXPECT_EQ(button.textColor(), QColor(Qt::white));
    KTTextColorButton other("Keep");
    EXPECT_EQ(other.title(), "Keep");
    other.setTextColor(Qt::red);
    EXPECT_EQ(other.textColor(), QColor(Qt::red));
}
