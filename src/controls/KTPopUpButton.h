#pragma once

#include "KTButton.h"

#include <QPointer>

#include <QAction>
#include <QMenu>

/// A bitmap button (KTButton) that pops up a menu on a press, shows the chosen entry's title and
/// remembers its tag (the action's data as an integer). The chosen entry carries the check mark.
/// Choosing an entry sends the button's action (clicked()), also when it was chosen already.
///
/// Threading: main thread only.
class KTPopUpButton : public KTButton
{
    Q_OBJECT
public:
    explicit KTPopUpButton(QWidget *parent = nullptr);

    /// KTButton's set-up, then the first entry is chosen when the menu has one.
    void initialize() override;

    QMenu *popUpMenu() const { return m_popUpMenu; }
    /// Each entry of the menu reaches onPopUpMenuItem() when triggered.
    void setPopUpMenu(QMenu *menu);
    QAction *selectedItem() const { return m_selectedItem; }
    int selectedTag() const { return m_selectedTag; }
    void setSelectedItem(QAction *item);
    /// Chooses the entry whose tag is `tag`; nothing when no entry has it. Sends no action.
    void selectItemWithTag(int tag);
    /// An entry of this button's menu was chosen: choose it and send the action. Entries of other
    /// menus are ignored.
    void onPopUpMenuItem(QAction *item);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void performClick() override;

private:
    void popUp();

    QPointer<QMenu> m_popUpMenu;
    QPointer<QAction> m_selectedItem;
    int m_selectedTag = 0;
    QMetaObject::Connection m_menuConnection;
};
