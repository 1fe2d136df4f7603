#include "KTResizablePopUpButton.h"

#include "KTMenuPresenter.h"

#include <QMenu>
#include <QMouseEvent>

KTResizablePopUpButton::KTResizablePopUpButton(QWidget *parent) : KTAbstractButton(parent)
{
    setNormalStateThreeImageName(QStringLiteral("dropdown"));
    setPushedStateImageWithImageNames(QStringLiteral("dropdown_left_on"),
                                      QStringLiteral("dropdown_center_on"),
                                      QStringLiteral("dropdown_right_on"));
}

void KTResizablePopUpButton::setPopUpMenu(QMenu *menu)
{
    disconnect(m_menuConnection);
    m_popUpMenu = menu;
    if (!menu)
        return;
    m_menuConnection = connect(menu, &QMenu::triggered, this, &KTResizablePopUpButton::onPopUpMenuItem);
    if (!menu->actions().isEmpty()) {
        setBehavior(PopUp);
        if (!m_selectedItem)
            setSelectedItem(menu->actions().first());
    }
}

bool KTResizablePopUpButton::allItemsUnselected() const
{
    if (!m_popUpMenu)
        return true;
    for (QAction *action : m_popUpMenu->actions()) {
        if (action->isChecked())
            return false;
    }
    return true;
}

void KTResizablePopUpButton::unselectAllItems()
{
    if (!m_popUpMenu)
        return;
    for (QAction *action : m_popUpMenu->actions())
        action->setChecked(false);
}

void KTResizablePopUpButton::setSelectedItem(QAction *item)
{
    if (!item || (!allItemsUnselected() && item == m_selectedItem))
        return;
    if (m_selectedItem)
        m_selectedItem->setChecked(false);
    m_selectedItem = item;
    item->setCheckable(true);
    item->setChecked(true);
    m_selectedTag = item->data().toInt();
    setTitle(item->text());
}

void KTResizablePopUpButton::selectItemWithTag(int tag)
{
    if (!m_popUpMenu)
        return;
    for (QAction *action : m_popUpMenu->actions()) {
        if (!action->isSeparator() && action->data().toInt() == tag) {
            setSelectedItem(action);
            return;
        }
    }
}

void KTResizablePopUpButton::onPopUpMenuItem(QAction *item)
{
    if (!item || !m_popUpMenu || !m_popUpMenu->actions().contains(item))
        return;
    setSelectedItem(item);
    emit clicked();
}

void KTResizablePopUpButton::performClick()
{
    // The menu runs its own event loop, in which the chosen entry's action may delete the button.
    const QPointer<KTResizablePopUpButton> self(this);
    if (m_popUpMenu)
        KTMenuPresenter::popUp(m_popUpMenu, mapToGlobal(QPoint(0, 0)), m_selectedItem);
    if (self)
        setPushed(false);
}

void KTResizablePopUpButton::mouseReleaseEvent(QMouseEvent *event)
{
    // A release away from the button, or on a disabled one, opens nothing: the pushed look ends.
    // A release over it opens the menu first (see performClick()).
    const QPointer<KTResizablePopUpButton> self(this);
    KTAbstractButton::mouseReleaseEvent(event);
    if (self)
        setPushed(false);
}
