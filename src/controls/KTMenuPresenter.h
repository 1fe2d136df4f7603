#pragma once

#include <QPoint>

#include <functional>

class QAction;
class QMenu;

/// Pops up the menus of the pop-up buttons. The default runs the menu modally (QMenu::exec) with
/// `positioned` at `globalPosition`; tests install a presenter that answers at once.
///
/// Threading: main thread only.
class KTMenuPresenter
{
public:
    /// Returns the chosen action or null. The menu's own triggered() signal fires as usual.
    using Presenter =
        std::function<QAction *(QMenu *menu, const QPoint &globalPosition, QAction *positioned)>;

    static QAction *popUp(QMenu *menu, const QPoint &globalPosition, QAction *positioned);
    /// Installs `presenter` (empty restores the default); returns the previous one.
    static Presenter install(Presenter presenter);
};
