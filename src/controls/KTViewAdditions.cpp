#include "KTViewAdditions.h"

#include "KTControl.h"

#include <QAbstractButton>
#include <QWidget>

#include <cmath>

namespace {

void setButtonsEnabled(QWidget *view, bool enabled)
{
    for (QWidget *child : childWidgets(view)) {
        if (auto *control = qobject_cast<KTControl *>(child))
            control->setButtonEnabled(enabled);
        else if (auto *button = qobject_cast<QAbstractButton *>(child))
            button->setEnabled(enabled);
        else
            setButtonsEnabled(child, enabled);
    }
}

} // namespace

QList<QWidget *> childWidgets(const QWidget *view)
{
    QList<QWidget *> result;
    if (!view)
        return result;
    for (QObject *child : view->children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (widget && !widget->isWindow())
            result.append(widget);
    }
    return result;
}

void enableButtons(QWidget *view)
{
    setButtonsEnabled(view, true);
}

void disableButtons(QWidget *view)
{
    setButtonsEnabled(view, false);
}

QHash<const QWidget *, double> fixSublayersPositions(const QWidget *view)
{
    QHash<const QWidget *, double> depths;
    if (!view)
        return depths;
    depths.insert(view, 1.0);
    fixZPositionsForViews(childWidgets(view), 1, depths);
    return depths;
}

unsigned fixZPositionsForViews(const QList<QWidget *> &views, unsigned z,
                               QHash<const QWidget *, double> &depths)
{
    unsigned next = z + 1;
    for (QWidget *view : views) {
        depths.insert(view, double(next));
        next = fixZPositionsForViews(childWidgets(view), next, depths);
    }
    return next;
}

bool doesDescendFromClass(const QMetaObject &receiver, const QMetaObject &cls)
{
    for (const QMetaObject *meta = &receiver; meta; meta = meta->superClass()) {
        if (meta == &cls)
            return true;
    }
    return false;
}

bool isHiddenOrHasHiddenAncestor(const QWidget *view)
{
    for (const QWidget *widget = view; widget; widget = widget->parentWidget()) {
        if (widget->isWindow())
            return widget->isHidden() && widget->testAttribute(Qt::WA_WState_ExplicitShowHide);
        if (widget->isHidden())
            return true;
    }
    return false;
}

QPointF center(const QWidget *view)
{
    return QRectF(view->geometry()).center();
}

void setCenter(QWidget *view, const QPointF &point)
{
    const QSize size = view->size();
    view->move(int(std::lround(point.x() - size.width() / 2.0)),
               int(std::lround(point.y() - size.height() / 2.0)));
}
