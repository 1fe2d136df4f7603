#pragma once

#include <QKeySequence>
#include <QString>
#include <QWidget>

class QKeyEvent;

/// Base of every button of ours: press tracking, hover, clicks by mouse, Space, shortcut, key
/// equivalent and code, each through one gate (acceptsActivation()), so a button that refuses
/// activation refuses it on every route.
///
/// A click runs activate() (the button's own reaction, such as turning itself on) and then emits
/// clicked(), the button's action.
///
/// Threading: main thread only.
class KTControl : public QWidget
{
    Q_OBJECT
public:
    explicit KTControl(QWidget *parent = nullptr);

    /// Enables or disables the button with its look. Here: the widget's enabled state.
    virtual void setButtonEnabled(bool enabled);
    /// The button's own enabled state. Here: the widget's.
    virtual bool isButtonEnabled() const;

    /// True while a press that started on the button is held over it.
    bool isDown() const { return m_down; }
    bool isHovered() const { return m_hovered; }

    /// The opacity the button paints with, 0 to 1 (1 by default).
    double alphaValue() const { return m_alphaValue; }
    void setAlphaValue(double alpha);

    /// An integer that identifies the button among others (0 by default).
    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    /// A window-wide shortcut that clicks the button.
    QKeySequence shortcut() const { return m_shortcut; }
    void setShortcut(const QKeySequence &shortcut);

    /// The key (a key-equivalent string, see KTKeyEquivalent.h) and exact modifiers that click
    /// the button when a window hands a key press to performKeyEquivalent(). Empty: none.
    QString keyEquivalent() const { return m_keyEquivalent; }
    Qt::KeyboardModifiers keyEquivalentModifiers() const { return m_keyEquivalentModifiers; }
    void setKeyEquivalent(const QString &key, Qt::KeyboardModifiers modifiers = {});
    /// Clicks the button and returns true when the event matches its key equivalent and the
    /// button accepts activation; false otherwise.
    virtual bool performKeyEquivalent(const QKeyEvent &event);
    /// Offers `event` to every visible button below `root` in tree order; true when one took it.
    static bool dispatchKeyEquivalent(QWidget *root, const QKeyEvent &event);

public slots:
    /// Clicks the button, as a press and release over it would; nothing while it refuses activation.
    void click();

signals:
    void pressed();
    void released();
    /// The button's action.
    void clicked();

protected:
    /// Whether a press, key or call may click the button: enabled, and whatever the subclass adds.
    virtual bool acceptsActivation() const;
    /// The button's own reaction to a click, before clicked() is emitted. Empty here.
    virtual void activate() {}
    /// What a click that passed the gate does: activate(), clicked(), then actionSent() while
    /// the button still exists. Buttons whose action comes from elsewhere (a menu) replace it.
    virtual void performClick();
    /// Runs after the action was sent. Empty here.
    virtual void actionSent() {}
    /// Ends a press without a click (the button turned it into something else).
    void cancelTracking();
    /// Whether `position` (widget coordinates) is on the button.
    virtual bool hitButton(const QPointF &position) const;
    /// Changes the pressed look.
    void setDown(bool down);
    /// The opacity to paint with: alphaValue(), reduced while the button looks disabled.
    double paintOpacity() const;

    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    bool m_down = false;
    bool m_tracking = false;
    bool m_hovered = false;
    double m_alphaValue = 1.0;
    int m_tag = 0;
    QKeySequence m_shortcut;
    int m_shortcutId = 0;
    QString m_keyEquivalent;
    Qt::KeyboardModifiers m_keyEquivalentModifiers;
};
