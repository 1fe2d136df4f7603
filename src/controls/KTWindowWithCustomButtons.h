#pragma once

#include <QWidget>

class KTWindowButton;

/// The custom close, minimise and full-screen buttons of a window whose frame the window system
/// does not draw (a KTWindow in full screen): three KTWindowButtons side by side, 20 pixels
/// apart, that all show their hover pictures while the pointer is anywhere over the group.
///
/// The buttons act on the window they are in: close closes it, minimise minimises it, and the
/// third turns full screen on or off.
///
/// Threading: main thread only.
class KTWindowWithCustomButtons : public QWidget
{
    Q_OBJECT
public:
    /// Distance from the left edge of one button to the left edge of the next.
    static constexpr int kButtonSeparation = 20;

    explicit KTWindowWithCustomButtons(QWidget *parent = nullptr);

    KTWindowButton *closeButton() const { return m_closeButton; }
    KTWindowButton *hideButton() const { return m_hideButton; }
    KTWindowButton *zoomButton() const { return m_zoomButton; }
    /// The button of `kind` (KTWindowButton::ButtonType: 0 close, 1 minimise, 2 zoom); null for
    /// any other kind.
    KTWindowButton *standardWindowButton(int kind) const;

    /// Whether the pointer is over the group (all three show their hover pictures).
    bool isAlternateState() const { return m_alternateState; }

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void setAlternateState(bool alternate);

    KTWindowButton *m_closeButton;
    KTWindowButton *m_hideButton;
    KTWindowButton *m_zoomButton;
    bool m_alternateState = false;
};
