#pragma once

#include "KTAbstractButton.h"

#include <QPointer>

#include <QAction>
#include <QMenu>

/// A framework button (KTAbstractButton) that pops up a menu when released over itself, with the
/// chosen entry placed over the button (under the cursor), shows the chosen entry's title and
/// remembers its tag (the action's data as an integer). It looks pushed from the press until the
/// menu closes. Choosing an entry sends the button's action (clicked()). The review modes read
/// selectedTag() in their actions, and call selectItemWithTag() to show the current value or
/// unselectAllItems() when it matches no entry.
///
/// Threading: main thread only.
class KTResizablePopUpButton : public KTAbstractButton
{
    Q_OBJECT
public:
    explicit KTResizablePopUpButton(QWidget *parent = nullptr);

    QMenu *popUpMenu() const { return m_popUpMenu; }
    /// Not owned. A menu with entries makes its first entry the chosen one (when none is).
    void setPopUpMenu(QMenu *menu);
    QAction *selectedItem() const { return m_selectedItem; }
    int selectedTag() const { return m_selectedTag; }
    /// Chooses `item` when it differs from the chosen one or when no entry carries the check mark.
    void setSelectedItem(QAction *item);
    void selectItemWithTag(int tag);
    /// True when no entry of the menu carries the check mark.
    bool allItemsUnselected() const;
    /// Clears every check mark; the chosen entry and its tag stay.
    void unselectAllItems();
    /// See KTPopUpButton::onPopUpMenuItem().
    void onPopUpMenuItem(QAction *item);

protected:
    void performClick() override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QPointer<QMenu> m_popUpMenu;
    QPointer<QAction> m_selectedItem;
    int m_selectedTag = 0;
    QMetaObject::Connection m_menuConnection;
};
