#pragma once

#include <QHash>
#include <QList>
#include <QMetaObject>
#include <QPointF>

class QWidget;

// Small operations on widget trees and classes that the screens share.

/// Enables (or disables) every button below `view`: the direct children are walked in order; a
/// child that is a button (a QAbstractButton or one of our KTControl buttons) is switched and not
/// searched further, every other child is searched the same way, to any depth. Top-level windows
/// among the children are not part of the tree.
void enableButtons(QWidget *view);
void disableButtons(QWidget *view);

/// Depth numbers in depth-first pre-order over child order: `view` itself gets 1, then its
/// subtree is numbered from 1 by fixZPositionsForViews (its first child gets 2). The screens use
/// them where painting order must follow the numbering; widgets already stack in child order.
QHash<const QWidget *, double> fixSublayersPositions(const QWidget *view);

/// Numbers `views` and their subtrees starting after `z`: each view gets the next number, then
/// its own children are numbered from there. Returns the next free number: children A (with no
/// children) and B numbered from 1 get 2 and 3, and the call returns 4.
unsigned fixZPositionsForViews(const QList<QWidget *> &views, unsigned z,
                               QHash<const QWidget *, double> &depths);

/// The direct child widgets of `view` in child order, windows excluded.
QList<QWidget *> childWidgets(const QWidget *view);

/// True when `cls` is `receiver` itself or one of its base classes.
bool doesDescendFromClass(const QMetaObject &receiver, const QMetaObject &cls);
template <class Receiver> bool doesDescendFromClass(const QMetaObject &cls)
{
    return doesDescendFromClass(Receiver::staticMetaObject, cls);
}

/// True when `view` or one of its ancestors up to its window is hidden (the window itself counts
/// only when it was hidden explicitly, so an unshown window can still be rendered).
bool isHiddenOrHasHiddenAncestor(const QWidget *view);

/// The centre of the widget's frame in its parent's coordinates.
QPointF center(const QWidget *view);
/// Moves the widget, keeping its size, so that its frame's centre lies on `point` (rounded to
/// whole pixels).
void setCenter(QWidget *view, const QPointF &point);
