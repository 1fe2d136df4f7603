#include "KTMenuPresenter.h"

#include <QMenu>

namespace {
KTMenuPresenter::Presenter s_presenter;
}

QAction *KTMenuPresenter::popUp(QMenu *menu, const QPoint &globalPosition, QAction *positioned)
{
    if (!menu)
        return nullptr;
    if (s_presenter)
        return s_presenter(menu, globalPosition, positioned);
    return menu->exec(globalPosition, positioned);
}

KTMenuPresenter::Presenter KTMenuPresenter::install(Presenter presenter)
{
    Presenter previous = std::move(s_presenter);
    s_presenter = std::move(presenter);
    return previous;
}
