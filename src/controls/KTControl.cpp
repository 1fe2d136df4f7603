#include "KTControl.h"

#include "KTKeyEquivalent.h"
#include "KTViewAdditions.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QShortcutEvent>

#include <algorithm>

KTControl::KTControl(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

void KTControl::setButtonEnabled(bool enabled)
{
    setEnabled(enabled);
}

bool KTControl::isButtonEnabled() const
{
    return isEnabled();
}

void KTControl::setAlphaValue(double alpha)
{
    alpha = std::clamp(alpha, 0.0, 1.0);
    if (alpha == m_alphaValue)
        return;
    m_alphaValue = alpha;
    update();
}

void KTControl::setShortcut(const QKeySequence &shortcut)
{
    if (m_shortcutId)
        releaseShortcut(m_shortcutId);
    m_shortcut = shortcut;
    m_shortcutId = shortcut.isEmpty() ? 0 : grabShortcut(shortcut);
}

void KTControl::setKeyEquivalent(const QString &key, Qt::KeyboardModifiers modifiers)
{
    m_keyEquivalent = key;
    m_keyEquivalentModifiers = modifiers;
}

bool KTControl::performKeyEquivalent(const QKeyEvent &event)
{
    if (m_keyEquivalent.isEmpty() || !equalsToKeyEquivalent(event, m_keyEquivalent, m_keyEquivalentModifiers))
        return false;
    if (!acceptsActivation())
        return false;
    click();
    return true;
}

bool KTControl::dispatchKeyEquivalent(QWidget *root, const QKeyEvent &event)
{
    if (!root)
        return false;
    for (QWidget *child : childWidgets(root)) {
        if (isHiddenOrHasHiddenAncestor(child))
            continue;
        if (auto *control = qobject_cast<KTControl *>(child); control && control->performKeyEquivalent(event))
            return true;
        if (dispatchKeyEquivalent(child, event))
            return true;
    }
    return false;
}

void KTControl::click()
{
    if (!acceptsActivation())
        return;
    performClick();
}

void KTControl::performClick()
{
    QPointer<KTControl> self(this);
    activate();
    emit clicked();
    if (self)
        actionSent();
}

void KTControl::cancelTracking()
{
    m_tracking = false;
    setDown(false);
}

bool KTControl::acceptsActivation() const
{
    return isEnabled() && isButtonEnabled();
}

bool KTControl::hitButton(const QPointF &position) const
{
    return QRectF(rect()).contains(position);
}

void KTControl::setDown(bool down)
{
    if (down == m_down)
        return;
    m_down = down;
    update();
}

double KTControl::paintOpacity() const
{
    return m_alphaValue * (isEnabled() && isButtonEnabled() ? 1.0 : 0.45);
}

bool KTControl::event(QEvent *event)
{
    if (event->type() == QEvent::Shortcut) {
        auto *shortcut = static_cast<QShortcutEvent *>(event);
        if (shortcut->shortcutId() == m_shortcutId) {
            click();
            return true;
        }
    }
    return QWidget::event(event);
}

void KTControl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    if (!acceptsActivation() || !hitButton(event->position()))
        return;
    m_tracking = true;
    setDown(true);
    emit pressed();
}

void KTControl::mouseMoveEvent(QMouseEvent *event)
{
    if (m_tracking)
        setDown(hitButton(event->position()));
    event->accept();
}

void KTControl::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_tracking) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    m_tracking = false;
    const bool inside = hitButton(event->position());
    setDown(false);
    emit released();
    if (inside)
        click();
}

void KTControl::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && acceptsActivation()) {
        setDown(true);
        emit pressed();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void KTControl::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && m_down) {
        setDown(false);
        emit released();
        click();
        event->accept();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void KTControl::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QWidget::enterEvent(event);
}

void KTControl::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QWidget::leaveEvent(event);
}

void KTControl::changeEvent(QEvent *event)
{
    // A button disabled while pressed must not complete the press later.
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        m_tracking = false;
        setDown(false);
    }
    QWidget::changeEvent(event);
}
