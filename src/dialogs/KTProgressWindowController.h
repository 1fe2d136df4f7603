#pragma once

#include "KTNotificationCenter.h"
#include "KTRemainingTimeEstimator.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <vector>

class KTAbstractButton;
class KTProgressIndicator;
class KTSheetWindow;
class QLabel;

/// Posted (no object, no details) each time the progress sheet ends.
inline const QString kProgressDidFinishNotification = QStringLiteral("kProgressDidFinishNotification");
/// Posted (no object, no details) when the user presses Cancel on the progress sheet.
inline const QString kProgressDidCancelNotification = QStringLiteral("kkProgressDidCancelNotification");

/// The progress sheet: hangs from the main window's title strip while session work runs and
/// follows the task bus. It keeps a stack of the running, nested tasks and shows the innermost
/// one's title, a striped bar that stays indeterminate until the task announces its number of
/// steps, the remaining time once it has, and Cancel while the innermost task is cancelable.
/// Cancel asks every sender in the stack that can cancel (KTCancelTaskProtocol) to stop, each
/// once; the sheet stays up until the cancelled tasks report their end.
///
/// The sheet ends when the last task ends, posting kProgressDidFinishNotification; Cancel posts
/// kProgressDidCancelNotification. The main window also drives it directly for moving and
/// copying images and for writing decisions back to a catalogue (beginProgressSheetWithTitle,
/// setNumberOfTaskSteps, setProgress, stopProgressSheet). A task begun directly is ended only by
/// stopProgressSheet(), a task of the bus only by its finish, so either may run under the other.
///
/// Threading: main thread only. It only reacts to the bus's deliveries and to calls: no timer,
/// no polling, no waiting.
class KTProgressWindowController : public QObject
{
    Q_OBJECT
public:
    /// The process's sheet, made on the first call (from the main thread).
    static KTProgressWindowController &sharedController();

    /// A sheet listening to `center`'s task notifications (the default centre for the shared one).
    explicit KTProgressWindowController(KTNotificationCenter &center = KTNotificationCenter::defaultCenter(),
                                        QObject *parent = nullptr);
    ~KTProgressWindowController() override;

    /// The window the sheet hangs on; set by the main window before any task can start. A
    /// KTWindow's sheets open at its sheetTopY(). Once it has gone (the application ends while
    /// background work still reports), tasks are tracked without a sheet.
    QWidget *presentingWindow() const { return m_presentingWindow; }
    void setPresentingWindow(QWidget *window)
    {
        m_presentingWindow = window;
        m_hadPresentingWindow = m_hadPresentingWindow || window;
    }

    /// Pushes a task without a sender that cannot be cancelled, titled `title` (looked up in the
    /// string table), and shows the sheet when it is not shown. Asserts when no presenting window
    /// was ever set ("Presenting window is nil").
    void beginProgressSheetWithTitle(const QString &title);
    /// Makes the bar determinate over 0..steps, at 0.
    void setNumberOfTaskSteps(double steps);
    /// Advances the bar by `delta` steps; the remaining time is estimated first, from the bar as
    /// it stood before the step.
    void setProgress(double delta);
    /// Sets the bar to `value`, after the estimate as above.
    void setProgressValue(double value);
    /// Whether the remaining-time label may show at all (true by default). A change hides or shows
    /// it at once.
    void setShowsTimeLabel(bool shows);
    bool showsTimeLabel() const { return m_showsTimeLabel; }
    /// Ends the tasks begun with beginProgressSheetWithTitle(). Tasks of the bus that still run
    /// keep their rows and their Cancel; when none is left the sheet ends: it posts
    /// kProgressDidFinishNotification, empties the stack and hides.
    void stopProgressSheet();
    /// Cancel's action (see the class comment).
    void onCancel();

    /// Seconds on a monotonic clock; tests replace it to step time by hand. Empty restores it.
    void setClock(std::function<double()> clock);

    // State, for the main window and tests.
    QStringList tasks() const { return m_tasks; }
    QList<bool> tasksCancelableStatuses() const { return m_tasksCancelableStatuses; }
    QList<QObject *> tasksPerformers() const;
    bool isSheetShown() const;
    bool currentTaskShouldHasRemainingTime() const { return m_currentTaskShouldHasRemainingTime; }
    /// The label's own state: shown unless hidden by the rules above (the sheet may be hidden).
    bool isRemainingTimeLabelShown() const;
    bool isCancelButtonShown() const;

    KTSheetWindow *window() const { return m_window; }
    QLabel *progressLabel() const { return m_progressLabel; }
    KTProgressIndicator *progressIndicator() const { return m_progressIndicator; }
    QLabel *remainingTimeLabel() const { return m_remainingTimeLabel; }
    KTAbstractButton *cancelButton() const { return m_cancelButton; }

private:
    void buildWindow();
    void taskDidFinish();
    void numberOfTaskStepsDidCalculate(double steps);
    void pushTask(const QString &title, bool cancelable, QObject *performer, bool direct);
    void removeTask(qsizetype index);
    /// Shows the innermost task again after an inner one ended.
    void showInnermostTask();
    void endSheet();
    void setIndeterminate();
    void adjustCancelButton();
    void adjustRemainingTimeLabel();
    void updateRemainingTimeLabel();
    double now() const;

    QPointer<QWidget> m_presentingWindow;
    bool m_hadPresentingWindow = false;
    KTSheetWindow *m_window = nullptr;
    QLabel *m_progressLabel = nullptr;
    KTProgressIndicator *m_progressIndicator = nullptr;
    QLabel *m_remainingTimeLabel = nullptr;
    KTAbstractButton *m_cancelButton = nullptr;

    // Three parallel stacks; the last element is the innermost task.
    QStringList m_tasks;
    QList<bool> m_tasksCancelableStatuses;
    QList<QPointer<QObject>> m_tasksPerformers;
    /// Whether each task was begun directly rather than by the bus.
    QList<bool> m_tasksBegunDirectly;

    bool m_showsTimeLabel = true;
    bool m_currentTaskShouldHasRemainingTime = false;
    KTRemainingTimeEstimator m_estimator;
    std::function<double()> m_clock;
    std::vector<KTObserverToken> m_observers;
};
