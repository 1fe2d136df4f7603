#include "KTPopUpButton.h"

#include "KTMenuPresenter.h"

#include <QMenu>
#include <QMouseEvent>

KTPopUpButton::KTPopUpButton(QWidget *parent) : KTButton(parent) {}

void KTPopUpButton::initialize()
{
    KTButton::initialize();
    if (m_popUpMenu && !m_popUpMenu->actions().isEmpty())
        setSelectedItem(m_popUpMenu->actions().first());
}

void KTPopUpButton::setPopUpMenu(QMenu *menu)
{
    disconnect(m_menuConnection);
    m_popUpMenu = menu;
    if (menu)
        m_menuConnection = connect(menu, &QMenu::triggered, this, &KTPopUpButton::onPopUpMenuItem);
}

void KTPopUpButton::setSelectedItem(QAction *item)
{
    if (item == m_selectedItem)
        return;
    if (m_selectedItem)
        m_selectedItem->setChecked(false);
    m_selectedItem = item;
    if (!item)
        return;
    item->setCheckable(true);
    item->setChecked(true);
    m_selectedTag = item->data().toInt();
    setButtonTitle(item->text());
}

void KTPopUpButton::selectItemWithTag(int tag)
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

void KTPopUpButton::onPopUpMenuItem(QAction *item)
{
    if (!item || !m_popUpMenu || !m_popUpMenu->actions().contains(item))
        return;
    setSelectedItem(item);
    emit clicked();
}

void KTPopUpButton::popUp()
{
    if (!m_popUpMenu)
        return;
    // The chosen entry opens at the button's bottom-left corner.
    KTMenuPresenter::popUp(m_popUpMenu, mapToGlobal(rect().bottomLeft() + QPoint(0, 1)), m_selectedItem);
}

void KTPopUpButton::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && acceptsActivation())
        popUp();
}

void KTPopUpButton::performClick()
{
    popUp();
}
