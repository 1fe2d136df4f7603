#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>

class KTPopoverView;
class QWidget;

/// Shows one popover at a time, anchored to a view: below it (position 2, the arrow pointing up
/// at it) or centred over it (position 4). The offset moves the popover sideways from the
/// anchor's middle while the arrow keeps pointing at the anchor.
///
/// The close handler runs exactly once, whatever closes the popover: dismissPopover(), a click
/// outside, the application losing the focus, the anchor's window entering or leaving full
/// screen, or another popover shown in its place.
///
/// Threading: main thread only.
class KTPopoverManager : public QObject
{
    Q_OBJECT
public:
    enum Position
    {
        Above = 1,
        Below = 2,
        Centered = 4,
    };

    static KTPopoverManager &sharedManager();

    explicit KTPopoverManager(QObject *parent = nullptr);
    ~KTPopoverManager() override;

    /// Shows `content` (not owned: handed back unparented when the popover closes) at `anchor`.
    void showPopoverView(QWidget *content, QWidget *anchor, int position, double offset,
                         std::function<void()> closeHandler);
    /// Closes the popover; nothing when none is shown.
    void dismissPopover();
    bool isShown() const;
    /// The shown popover's frame; null when none is shown.
    KTPopoverView *popoverView() const;

    /// The popover's window geometry for a frame of `size` at `anchor` (global coordinates),
    /// kept inside `screen`.
    static QRect popoverGeometry(const QRect &anchor, const QSize &size, int position, double offset,
                                 const QRect &screen);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void popoverClosed();

    QPointer<KTPopoverView> m_view;
    QPointer<QWidget> m_anchorWindow;
    std::function<void()> m_closeHandler;
};
