#include "KTAbstractButton.h"
#include "KTButton.h"
#include "KTMenuPresenter.h"
#include "KTPageControl.h"
#include "KTPopUpButton.h"
#include "KTResizablePopUpButton.h"
#include "KTSegmentedTimeRangeView.h"
#include "KTSegmentedView.h"

#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

/// A menu of entries tagged 10, 20, 30.
std::unique_ptr<QMenu> taggedMenu()
{
    auto menu = std::make_unique<QMenu>();
    for (int tag : {10, 20, 30})
        menu->addAction(QStringLiteral("Entry %1").arg(tag))->setData(tag);
    return menu;
}

/// Answers every pop-up with the entry `choose` (by index, or none) and records where it opened.
struct ScriptedMenus
{
    explicit ScriptedMenus(int choose = -1)
    {
        previous =
            KTMenuPresenter::install([this, choose](QMenu *menu, const QPoint &at, QAction *positioned) {
                ++shown;
                position = at;
                positionedItem = positioned;
                if (whileOpen)
                    whileOpen();
                QAction *chosen = choose >= 0 ? menu->actions().value(choose) : nullptr;
                if (chosen)
                    chosen->trigger();
                return chosen;
            });
    }
    ~ScriptedMenus() { KTMenuPresenter::install(previous); }
    KTMenuPresenter::Presenter previous;
    std::function<void()> whileOpen;
    int shown = 0;
    QPoint position;
    QAction *positionedItem = nullptr;
};

int checkedCount(QMenu &menu)
{
    int count = 0;
    for (QAction *action : menu.actions())
        count += action->isChecked() ? 1 : 0;
    return count;
}

} // namespace

TEST(KTPopUpButtonTest, SelectionByTagAndByTheMenu)
{
    auto menu = taggedMenu();
    KTPopUpButton button;
    button.resize(100, 24);
    button.setUsesThreePartDropdownImage(true);
    button.setPopUpMenu(menu.get());
    button.initialize();
    EXPECT_EQ(button.selectedTag(), 10) << "the first entry is chosen at set-up";
    EXPECT_EQ(button.buttonTitle(), "Entry 10");

    QSignalSpy clicked(&button, &KTControl::clicked);
    button.selectItemWithTag(30);
    EXPECT_EQ(button.selectedTag(), 30);
    EXPECT_EQ(checkedCount(*menu), 1);
    EXPECT_EQ(clicked.count(), 0) << "choosing by tag sent the action";
    button.selectItemWithTag(99);
    EXPECT_EQ(button.selectedTag(), 30);
    EXPECT_EQ(button.buttonTitle(), "Entry 30");

    // The menu chooses; choosing the chosen entry again sends the action again, nothing else.
    {
        ScriptedMenus menus(1);
        QTest::mousePress(&button, Qt::LeftButton, {}, {5, 5});
        EXPECT_EQ(menus.shown, 1);
        EXPECT_EQ(menus.positionedItem, menu->actions()[2]) << "the chosen entry opens at the button";
        EXPECT_EQ(menus.position, button.mapToGlobal(QPoint(0, 24)));
    }
    EXPECT_EQ(button.selectedTag(), 20);
    menu->actions()[1]->trigger();
    EXPECT_EQ(button.selectedTag(), 20);
    EXPECT_EQ(clicked.count(), 2);

    // An entry of another menu is ignored.
    QMenu other;
    QAction *foreign = other.addAction("Foreign");
    foreign->setData(20);
    button.onPopUpMenuItem(foreign);
    EXPECT_EQ(button.selectedItem(), menu->actions()[1]);
    EXPECT_EQ(clicked.count(), 2);

    button.setButtonEnabled(false);
    ScriptedMenus menus;
    QTest::mousePress(&button, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(menus.shown, 0);
}

TEST(KTPopUpButtonTest, ResizablePopUpOpensOverItselfAndMarksAgainAfterUnselectAll)
{
    KTResizablePopUpButton empty;
    QMenu none;
    empty.setPopUpMenu(&none);
    EXPECT_EQ(empty.selectedItem(), nullptr);
    EXPECT_EQ(empty.selectedTag(), 0);

    auto menu = taggedMenu();
    KTResizablePopUpButton button;
    button.resize(100, 24);
    button.setPopUpMenu(menu.get());
    EXPECT_EQ(button.selectedTag(), 10);
    EXPECT_EQ(button.title(), "Entry 10");
    EXPECT_EQ(button.behavior(), KTAbstractButton::PopUp);

    button.unselectAllItems();
    EXPECT_TRUE(button.allItemsUnselected());
    EXPECT_EQ(button.selectedTag(), 10) << "unselecting forgot the chosen entry";
    QSignalSpy clicked(&button, &KTControl::clicked);
    bool pushedWhileOpen = false;
    {
        ScriptedMenus menus(0);
        menus.whileOpen = [&] { pushedWhileOpen = button.isPushed(); };
        QTest::mouseClick(&button, Qt::LeftButton, {}, {5, 5});
    }
    EXPECT_TRUE(pushedWhileOpen);
    EXPECT_FALSE(button.isPushed()) << "the pushed look outlived the menu";
    EXPECT_FALSE(button.allItemsUnselected()) << "the same entry was not marked again";
    EXPECT_EQ(clicked.count(), 1);

    ScriptedMenus menus;
    QTest::mouseClick(&button, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(menus.position, button.mapToGlobal(QPoint(0, 0)));
    EXPECT_EQ(menus.positionedItem, menu->actions()[0]);
    // Released outside: no menu, and the pushed look ends.
    QTest::mousePress(&button, Qt::LeftButton, {}, {5, 5});
    QTest::mouseRelease(&button, Qt::LeftButton, {}, {300, 5});
    EXPECT_EQ(menus.shown, 1);
    EXPECT_FALSE(button.isPushed());
}

// The chosen entry's action deletes the button while its menu is open (a mode rebuilding its
// toolbar): neither the click nor the mouse release touches the button afterwards.
TEST(KTPopUpButtonTest, ResizablePopUpDeletedByItsMenuIsNotTouchedAfterwards)
{
    auto menu = taggedMenu();
    for (const bool byMouse : {false, true}) {
        SCOPED_TRACE(byMouse ? "mouse release" : "click");
        QPointer<KTResizablePopUpButton> button = new KTResizablePopUpButton;
        button->resize(100, 24);
        button->setPopUpMenu(menu.get());
        ScriptedMenus menus(1);
        menus.whileOpen = [&] { delete button.data(); };
        if (byMouse) {
            QTest::mousePress(button, Qt::LeftButton, {}, {5, 5});
            QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), button->mapToGlobal(QPointF(5, 5)),
                                Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(button, &release);
        } else {
            button->click();
        }
        EXPECT_EQ(menus.shown, 1);
        EXPECT_TRUE(button.isNull());
    }
}

TEST(KTSegmentedViewTest, OneOnAtMostAndAllOffAllowed)
{
    KTSegmentedView row;
    auto *a = new KTButton;
    auto *b = new KTAbstractButton("B");
    auto *c = new QPushButton("C");
    auto *plain = new QWidget;
    c->setCheckable(true);
    for (QWidget *view :
         {static_cast<QWidget *>(a), static_cast<QWidget *>(b), static_cast<QWidget *>(c), plain})
        row.addSubview(view);

    a->setState(1);
    b->setPushed(true);
    EXPECT_EQ(a->state(), 0);
    c->setChecked(true);
    EXPECT_FALSE(b->isPushed());
    c->setChecked(false);
    EXPECT_FALSE(a->state() || b->isPushed() || c->isChecked()) << "turning one off turned another on";

    // A click on a toggling button turns it on, and the rest off.
    a->setButtonType(KTButton::Toggle);
    b->setPushed(true);
    a->resize(40, 20);
    QTest::mouseClick(a, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(a->state(), 1);
    EXPECT_FALSE(b->isPushed());

    row.setSubviewsEnabled(false);
    EXPECT_FALSE(a->isButtonEnabled());
    EXPECT_FALSE(plain->isEnabled());
    row.setSubviewsEnabled(true);

    // A button taken out of the row is no longer watched.
    b->setParent(nullptr);
    b->setPushed(true);
    EXPECT_EQ(a->state(), 1);
    delete b;
}

TEST(KTSegmentedViewTest, TimeRangeRowShapesItsButtonsByPosition)
{
    struct Case
    {
        QStringList titles;
        QStringList lefts;
    };
    const Case cases[] = {
        {{"2 sec"}, {"tab_select_round_left"}},
        {{"2 sec", "10 sec"}, {"tab_select_round_left", "tab_select_left"}},
        {{"2 sec", "10 sec", "1 min"}, {"tab_select_round_left", "tab_select_left", "tab_select_left"}},
    };
    for (const Case &c : cases) {
        KTSegmentedTimeRangeView row;
        row.setButtonTitles(c.titles, nullptr, {});
        const auto buttons = row.buttons();
        ASSERT_EQ(buttons.size(), c.titles.size());
        QStringList lefts;
        for (KTAbstractButton *button : buttons)
            lefts.append(button->normalStateImageNames().left);
        EXPECT_EQ(lefts, c.lefts);
        EXPECT_EQ(buttons.first()->pushedStateImageNames().left, "tab_select_on_round_left");
        if (buttons.size() > 1) {
            EXPECT_EQ(buttons.last()->normalStateImageNames().center, "tab_select_left");
            EXPECT_EQ(buttons.last()->normalStateImageNames().right, "tab_select_round_right");
        }
        if (buttons.size() > 2) {
            EXPECT_EQ(buttons[1]->normalStateImageNames().right, "tab_select_right");
        }
    }
}

TEST(KTSegmentedViewTest, TimeRangeRowHasEqualWidthsOfAtLeast56AndSendsTheSender)
{
    KTSegmentedTimeRangeView row;
    QList<int> tags;
    row.setButtonTitles({"2 sec", "10 sec", "30 sec", "Any"}, &row,
                        [&](KTAbstractButton *sender) { tags.append(sender->tag()); });
    row.setIconWithName("infinity", 3);
    row.setIconWithName("infinity", 4);
    row.resize(400, 22);
    row.show();
    QApplication::processEvents();
    const auto buttons = row.buttons();
    for (KTAbstractButton *button : buttons)
        EXPECT_EQ(button->width(), 100);
    EXPECT_EQ(buttons[1]->x(), 100) << "gaps between the buttons";
    EXPECT_EQ(buttons[3]->pushedPictogramName(), "infinity_on");
    EXPECT_EQ(row.minimumSizeHint().width(), 4 * KTSegmentedTimeRangeView::kMinimumButtonWidth);

    QTest::mouseClick(buttons[2], Qt::LeftButton, {}, {5, 5});
    QTest::mouseClick(buttons[0], Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(tags, (QList<int>{2, 0}));
    EXPECT_TRUE(buttons[0]->isPushed());
    EXPECT_FALSE(buttons[2]->isPushed());
    QTest::mouseClick(buttons[0], Qt::LeftButton, {}, {5, 5});
    EXPECT_FALSE(buttons[0]->isPushed()) << "the row allows all off";
}

TEST(KTPageControlTest, DotsAreTwoApartAndAClickSelects)
{
    KTPageControl control;
    EXPECT_EQ(control.sizeHint().width(), 0);
    control.setNumberOfItems(5);
    EXPECT_EQ(control.sizeHint(), QSize(43, 7));
    EXPECT_EQ(control.rectForItemIndex(2), QRectF(18, 0, 7, 7));
    control.resize(control.sizeHint());

    QSignalSpy clicked(&control, &KTPageControl::clicked);
    QSignalSpy changed(&control, &KTPageControl::selectedIndexChanged);
    QTest::mouseClick(&control, Qt::LeftButton, {}, {21, 3});
    EXPECT_EQ(control.selectedIndex(), 2);
    QTest::mouseClick(&control, Qt::LeftButton, {}, {21, 3});
    EXPECT_EQ(clicked.count(), 2);
    EXPECT_EQ(changed.count(), 1) << "a click on the selected dot announced a change";
    QTest::mouseClick(&control, Qt::LeftButton, {}, {17, 3});
    EXPECT_EQ(clicked.count(), 2) << "a click between dots";
}
