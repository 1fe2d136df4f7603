#pragma once

#include <QHash>
#include <QMetaObject>
#include <QWidget>

/// A container that keeps its buttons exclusive: when one turns on (by a click or by code), every
/// other one turns off. Turning a button off changes nothing else, so all may be off.
///
/// Buttons are the direct children added with addSubview(): KTButton and KTSButton by their state,
/// KTAbstractButton by pushed, QAbstractButton by checked. Other children are neither watched nor
/// changed (setSubviewsEnabled() still reaches them). A button stops being watched when it leaves
/// the container or is destroyed.
///
/// Threading: main thread only.
class KTSegmentedView : public QWidget
{
    Q_OBJECT
public:
    explicit KTSegmentedView(QWidget *parent = nullptr);
    ~KTSegmentedView() override;

    /// Makes `view` a child and watches its on state.
    void addSubview(QWidget *view);
    /// Turns every direct child other than `button` off.
    void checkButtonsStateForPressedButton(QWidget *button);
    /// Enables or disables every direct child (buttons with their look).
    void setSubviewsEnabled(bool enabled);

    bool isCheckingStates() const { return m_isCheckingStates; }
    void setIsCheckingStates(bool checking) { m_isCheckingStates = checking; }

protected:
    bool event(QEvent *event) override;

private:
    void unwatch(QObject *view);

    bool m_isCheckingStates = false;
    QHash<QObject *, QMetaObject::Connection> m_watched;
};
