#include "KTSystemMove.h"

#include <QWidget>
#include <QWindow>

#include <utility>

namespace {

std::function<bool(QWindow *)> &handler()
{
    static std::function<bool(QWindow *)> replacement;
    return replacement;
}

} // namespace

bool ktStartSystemMove(QWidget *widget)
{
    if (!widget)
        return false;
    QWindow *window = widget->window()->windowHandle();
    if (!window)
        return false;
    if (handler())
        return handler()(window);
    return window->startSystemMove();
}

std::function<bool(QWindow *window)> ktSetSystemMoveHandler(std::function<bool(QWindow *window)> replacement)
{
    return std::exchange(handler(), std::move(replacement));
}
