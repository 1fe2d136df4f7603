#include "KTAbstractButton.h"
#include "KTColor.h"
#include "KTDrawView.h"
#include "KTViewAdditions.h"

#include <QPushButton>

#include <gtest/gtest.h>

TEST(KTViewAdditionsTest, ButtonWalkSwitchesButtonsAndDoesNotSearchThem)
{
    QWidget root;
    QWidget plain(&root);
    QPushButton first(&plain);
    KTAbstractButton second(&plain);
    // A button inside a button is not visited; a non-button control is searched, not switched.
    QPushButton inner(&first);
    QWidget customControl(&root);
    QPushButton deep(&customControl);

    disableButtons(&root);
    EXPECT_FALSE(first.isEnabled());
    EXPECT_FALSE(second.isButtonEnabled());
    EXPECT_FALSE(deep.isEnabled());
    EXPECT_TRUE(customControl.isEnabled());
    EXPECT_FALSE(inner.testAttribute(Qt::WA_ForceDisabled)) << "the inner button was switched itself";

    enableButtons(&root);
    EXPECT_TRUE(first.isEnabled());
    EXPECT_TRUE(second.isButtonEnabled());
    EXPECT_TRUE(deep.isEnabled());
}

TEST(KTViewAdditionsTest, DepthNumbersFollowChildOrderDepthFirst)
{
    QWidget root;
    QWidget a(&root);
    QWidget b(&root);
    QWidget b1(&b);
    QWidget c(&root);
    QHash<const QWidget *, double> depths;
    EXPECT_EQ(fixZPositionsForViews({&a, &b}, 1, depths), 5u);
    EXPECT_EQ(depths.value(&a), 2.0);
    EXPECT_EQ(depths.value(&b), 3.0);
    EXPECT_EQ(depths.value(&b1), 4.0);

    const auto all = fixSublayersPositions(&root);
    EXPECT_EQ(all.value(&root), 1.0);
    EXPECT_EQ(all.value(&a), 2.0);
    EXPECT_EQ(all.value(&c), 5.0);
}

TEST(KTViewAdditionsTest, DescentIsTheClassItselfOrABase)
{
    EXPECT_TRUE(doesDescendFromClass<KTDrawView>(KTDrawView::staticMetaObject));
    EXPECT_TRUE(doesDescendFromClass<KTDrawView>(QObject::staticMetaObject));
    EXPECT_TRUE(doesDescendFromClass<KTAbstractButton>(KTControl::staticMetaObject));
    EXPECT_FALSE(doesDescendFromClass<KTDrawView>(KTControl::staticMetaObject)) << "a sibling class";
    EXPECT_FALSE(doesDescendFromClass<QWidget>(KTDrawView::staticMetaObject)) << "a subclass";
}

TEST(KTViewAdditionsTest, ColoursAndCentring)
{
    const QColor red = ktColor(255, 0, 0, 0.5);
    EXPECT_EQ(red.red(), 255);
    EXPECT_EQ(red.green(), 0);
    EXPECT_NEAR(red.alphaF(), 0.5, 1e-4);
    EXPECT_EQ(compareSelectionColorActive(), QColor(13, 132, 130));
    EXPECT_EQ(compareSelectionColorInactive(), QColor(138, 42, 34));
    EXPECT_EQ(mainSelectionColorActive(), QColor(74, 74, 74));
    EXPECT_EQ(mainSelectionColorInactive(), QColor(53, 53, 53));

    QWidget parent;
    QWidget child(&parent);
    child.setGeometry(0, 0, 40, 20);
    setCenter(&child, QPointF(100, 50));
    EXPECT_EQ(child.geometry(), QRect(80, 40, 40, 20));
    EXPECT_EQ(center(&child), QPointF(100, 50));
}
