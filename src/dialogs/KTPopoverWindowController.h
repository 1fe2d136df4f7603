#pragma once

#include "KTNotificationCenter.h"

#include <QWidget>

#include <functional>

/// The base of the small choice popovers of the review modes (accuracy, time range): its content
/// hangs below an anchor, a toolbar button of the main window, through the shared
/// KTPopoverManager, which closes it on a click elsewhere, when the application loses the focus
/// and when the anchor's window enters or leaves full screen. The completion block runs once when
/// it closes, whatever closed it.
///
/// After a choice a popover can watch the progress sheet: if the work the choice started is
/// cancelled there, progressDidCancel() puts the previous value back; if the sheet ends first,
/// the choice stays. Either ends the watch.
///
/// Threading: main thread only.
class KTPopoverWindowController : public QWidget
{
    Q_OBJECT
public:
    using Completion = std::function<void()>;

    explicit KTPopoverWindowController(QWidget *parent = nullptr);
    ~KTPopoverWindowController() override;

    /// Shows the popover below `anchor`, centred on it; a popover shown elsewhere closes first.
    virtual void showRelativeToView(QWidget *anchor, Completion completion = {});
    /// Closes the popover (running the completion block); nothing when it is not shown.
    void closePopover();
    bool isShown() const;
    /// True from a choice until the progress sheet next ends or is cancelled.
    bool isWatchingProgress() const { return m_finishObserver.isActive(); }

protected:
    /// Starts watching the progress sheet (see the class comment).
    void watchProgressSheet();
    /// The progress sheet was cancelled while watching; the watch has ended.
    virtual void progressDidCancel() {}

private:
    void stopWatchingProgressSheet();

    Completion m_completionBlock;
    bool m_shown = false;
    KTObserverToken m_finishObserver;
    KTObserverToken m_cancelObserver;
};
