#include "KTSegmentedView.h"

#include "KTAbstractButton.h"
#include "KTButton.h"
#include "KTSButton.h"
#include "KTViewAdditions.h"

#include <QAbstractButton>
#include <QChildEvent>

KTSegmentedView::KTSegmentedView(QWidget *parent) : QWidget(parent) {}

KTSegmentedView::~KTSegmentedView()
{
    for (const QMetaObject::Connection &connection : std::as_const(m_watched))
        disconnect(connection);
}

void KTSegmentedView::addSubview(QWidget *view)
{
    if (!view)
        return;
    view->setParent(this);
    view->show();
    unwatch(view);
    QMetaObject::Connection connection;
    if (auto *button = qobject_cast<KTButton *>(view)) {
        connection = connect(button, &KTButton::stateChanged, this, [this, button](int state) {
            if (!m_isCheckingStates && state != 0)
                checkButtonsStateForPressedButton(button);
        });
    } else if (auto *button = qobject_cast<KTSButton *>(view)) {
        connection = connect(button, &KTSButton::stateChanged, this, [this, button](int state) {
            if (!m_isCheckingStates && state != 0)
                checkButtonsStateForPressedButton(button);
        });
    } else if (auto *button = qobject_cast<KTAbstractButton *>(view)) {
        connection = connect(button, &KTAbstractButton::pushedChanged, this, [this, button](bool pushed) {
            if (!m_isCheckingStates && pushed)
                checkButtonsStateForPressedButton(button);
        });
    } else if (auto *button = qobject_cast<QAbstractButton *>(view)) {
        connection = connect(button, &QAbstractButton::toggled, this, [this, button](bool checked) {
            if (!m_isCheckingStates && checked)
                checkButtonsStateForPressedButton(button);
        });
    }
    if (connection)
        m_watched.insert(view, connection);
}

void KTSegmentedView::unwatch(QObject *view)
{
    const auto found = m_watched.find(view);
    if (found == m_watched.end())
        return;
    disconnect(*found);
    m_watched.erase(found);
}

void KTSegmentedView::checkButtonsStateForPressedButton(QWidget *pressed)
{
    m_isCheckingStates = true;
    for (QWidget *child : childWidgets(this)) {
        if (child == pressed)
            continue;
        if (auto *button = qobject_cast<KTButton *>(child))
            button->setState(0);
        else if (auto *button = qobject_cast<KTSButton *>(child))
            button->setState(0);
        else if (auto *button = qobject_cast<KTAbstractButton *>(child))
            button->setPushed(false);
        else if (auto *button = qobject_cast<QAbstractButton *>(child); button && button->isCheckable())
            button->setChecked(false);
    }
    m_isCheckingStates = false;
}

void KTSegmentedView::setSubviewsEnabled(bool enabled)
{
    for (QWidget *child : childWidgets(this)) {
        child->setEnabled(enabled);
        if (auto *control = qobject_cast<KTControl *>(child))
            control->setButtonEnabled(enabled);
    }
}

bool KTSegmentedView::event(QEvent *event)
{
    if (event->type() == QEvent::ChildRemoved)
        unwatch(static_cast<QChildEvent *>(event)->child());
    return QWidget::event(event);
}
