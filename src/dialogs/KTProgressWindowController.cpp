#include "KTProgressWindowController.h"

#include "KTAbstractButton.h"
#include "KTCancelTaskProtocol.h"
#include "KTColor.h"
#include "KTDialogControls.h"
#include "KTFont.h"
#include "KTLocalization.h"
#include "KTProgressIndicator.h"
#include "KTSheetWindow.h"
#include "KTTaskNotifications.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLabel>
#include <QSet>
#include <QThread>

namespace {

constexpr int kSheetWidth = 480;

double monotonicSeconds()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

KTProgressWindowController &KTProgressWindowController::sharedController()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    // Lives as long as the process; the window goes with the application's widgets.
    static auto *controller = new KTProgressWindowController;
    return *controller;
}

KTProgressWindowController::KTProgressWindowController(KTNotificationCenter &center, QObject *parent)
    : QObject(parent)
{
    buildWindow();
    const auto observe = [&](const QString &name, KTNotificationCenter::Callback handler) {
        m_observers.push_back(center.addObserver(name, nullptr, std::move(handler)));
    };
    observe(KTTaskDidStartInfo::name(), [this](const KTNotification &note) {
        pushTask(KTTaskDidStartInfo::taskName(note.userInfo), KTTaskDidStartInfo::isCancelable(note.userInfo),
                 note.object, false);
    });
    observe(KTTaskDidFinishInfo::name(), [this](const KTNotification &) { taskDidFinish(); });
    observe(KTTaskStepsDidCalculateInfo::name(), [this](const KTNotification &note) {
        numberOfTaskStepsDidCalculate(double(KTTaskStepsDidCalculateInfo::numberOfTaskSteps(note.userInfo)));
    });
    observe(KTTaskStepsDidExecuteInfo::name(), [this](const KTNotification &note) {
        setProgress(double(KTTaskStepsDidExecuteInfo::numberOfExecutedSteps(note.userInfo)));
    });
    observe(KTTaskProgressDidUpdateInfo::name(), [this](const KTNotification &note) {
        setProgressValue(KTTaskProgressDidUpdateInfo::progressValue(note.userInfo));
    });
}

KTProgressWindowController::~KTProgressWindowController()
{
    m_observers.clear();
    delete m_window;
}

void KTProgressWindowController::buildWindow()
{
    m_window = new KTSheetWindow;
    m_window->setObjectName(QStringLiteral("KTProgressWindow"));
    m_progressLabel = ktDialogLabel(QString(), ktBodyFont(), KTPalette::kText, m_window);
    m_progressIndicator = new KTProgressIndicator(m_window);
    m_remainingTimeLabel = ktDialogLabel(QString(), ktSmallFont(), KTPalette::kSecondaryText, m_window);
    // The sheet keeps its size whether or not the estimate shows.
    QSizePolicy keep = m_remainingTimeLabel->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_remainingTimeLabel->setSizePolicy(keep);
    m_remainingTimeLabel->setText(tr("Calculating remaining time..."));
    m_remainingTimeLabel->hide();
    m_cancelButton = new KTAbstractButton(tr("Cancel"), m_window);
    m_cancelButton->setBehavior(KTAbstractButton::Momentary);
    m_cancelButton->setFocusPolicy(Qt::StrongFocus);
    m_cancelButton->setFixedSize(std::max(m_cancelButton->sizeHint().width(), 80), 24);
    connect(m_cancelButton, &KTControl::clicked, this, &KTProgressWindowController::onCancel);

    auto *grid = new QGridLayout(m_window);
    grid->setContentsMargins(20, 16, 20, 14);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(8);
    grid->addWidget(m_progressLabel, 0, 0);
    grid->addWidget(m_progressIndicator, 1, 0);
    grid->addWidget(m_remainingTimeLabel, 2, 0);
    grid->addWidget(m_cancelButton, 1, 1, Qt::AlignVCenter);
    grid->setColumnStretch(0, 1);
    m_window->setFixedWidth(kSheetWidth);
    m_window->adjustSize();
    m_window->setFixedHeight(m_window->sizeHint().height());
    adjustCancelButton();
}

QList<QObject *> KTProgressWindowController::tasksPerformers() const
{
    QList<QObject *> performers;
    for (const QPointer<QObject> &performer : m_tasksPerformers)
        performers.append(performer.data());
    return performers;
}

bool KTProgressWindowController::isSheetShown() const
{
    return m_window->isSheetShown();
}

bool KTProgressWindowController::isRemainingTimeLabelShown() const
{
    return !m_remainingTimeLabel->isHidden();
}

bool KTProgressWindowController::isCancelButtonShown() const
{
    return !m_cancelButton->isHidden();
}

void KTProgressWindowController::setClock(std::function<double()> clock)
{
    m_clock = std::move(clock);
}

double KTProgressWindowController::now() const
{
    return m_clock ? m_clock() : monotonicSeconds();
}

void KTProgressWindowController::beginProgressSheetWithTitle(const QString &title)
{
    pushTask(title, false, nullptr, true);
}

void KTProgressWindowController::pushTask(const QString &title, bool cancelable, QObject *performer,
                                          bool direct)
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    Q_ASSERT_X(m_hadPresentingWindow, "KTProgressWindowController", "Presenting window is nil");
    // Only a task that announces its steps (later) has a remaining time.
    m_currentTaskShouldHasRemainingTime = false;
    // The three stacks stay parallel whatever starts a task, so a finish pops the right entries.
    m_tasksCancelableStatuses.append(cancelable);
    m_tasksPerformers.append(performer);
    m_tasksBegunDirectly.append(direct);
    setIndeterminate();
    m_progressLabel->setText(ktLocalizedString(title));
    m_estimator.reset(now());
    m_tasks.append(title);
    adjustRemainingTimeLabel();
    adjustCancelButton();
    if (!m_window->isSheetShown() && m_presentingWindow)
        m_window->beginSheet(m_presentingWindow);
}

void KTProgressWindowController::numberOfTaskStepsDidCalculate(double steps)
{
    m_currentTaskShouldHasRemainingTime = true;
    adjustRemainingTimeLabel();
    setNumberOfTaskSteps(steps);
}

void KTProgressWindowController::setNumberOfTaskSteps(double steps)
{
    m_progressIndicator->stopAnimation();
    m_progressIndicator->setIndeterminate(false);
    m_progressIndicator->setMinValue(0.0);
    m_progressIndicator->setValue(0.0);
    m_progressIndicator->setMaxValue(steps);
}

void KTProgressWindowController::setProgress(double delta)
{
    if (m_currentTaskShouldHasRemainingTime)
        updateRemainingTimeLabel();
    m_progressIndicator->setValue(m_progressIndicator->value() + delta);
}

void KTProgressWindowController::setProgressValue(double value)
{
    if (m_currentTaskShouldHasRemainingTime)
        updateRemainingTimeLabel();
    m_progressIndicator->setValue(value);
}

void KTProgressWindowController::setShowsTimeLabel(bool shows)
{
    if (shows == m_showsTimeLabel)
        return;
    m_showsTimeLabel = shows;
    // Only a task that counts its steps has an estimate to show.
    if (m_currentTaskShouldHasRemainingTime)
        updateRemainingTimeLabel();
    else
        m_remainingTimeLabel->hide();
}

void KTProgressWindowController::taskDidFinish()
{
    // Tasks of the bus end innermost first, whatever name the finish carries; a task begun
    // directly (writing to a catalogue while a load runs) is not the bus's to end.
    const qsizetype index = m_tasksBegunDirectly.lastIndexOf(false);
    // A finish with nothing started ends nothing (and announces no end).
    if (index < 0)
        return;
    removeTask(index);
    if (m_tasks.isEmpty()) {
        endSheet();
        return;
    }
    showInnermostTask();
}

void KTProgressWindowController::stopProgressSheet()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    for (qsizetype index = m_tasks.size() - 1; index >= 0; --index) {
        if (m_tasksBegunDirectly.at(index))
            removeTask(index);
    }
    if (m_tasks.isEmpty())
        endSheet();
    else
        showInnermostTask();
}

void KTProgressWindowController::removeTask(qsizetype index)
{
    m_tasks.removeAt(index);
    m_tasksCancelableStatuses.removeAt(index);
    m_tasksPerformers.removeAt(index);
    m_tasksBegunDirectly.removeAt(index);
}

void KTProgressWindowController::showInnermostTask()
{
    adjustCancelButton();
    setIndeterminate();
    m_progressLabel->setText(ktLocalizedString(m_tasks.last()));
}

void KTProgressWindowController::endSheet()
{
    KTNotificationCenter::defaultCenter().post(kProgressDidFinishNotification);
    m_progressIndicator->stopAnimation();
    m_progressIndicator->setIndeterminate(true);
    m_tasks.clear();
    m_tasksCancelableStatuses.clear();
    m_tasksPerformers.clear();
    m_tasksBegunDirectly.clear();
    m_currentTaskShouldHasRemainingTime = false;
    m_remainingTimeLabel->hide();
    adjustCancelButton();
    m_window->endSheet();
}

void KTProgressWindowController::onCancel()
{
    Q_ASSERT(QThread::currentThread() == qApp->thread());
    // Nested tasks often share a sender (the search and its phases): each hears it once.
    QSet<QObject *> cancelled;
    for (const QPointer<QObject> &performer : std::as_const(m_tasksPerformers)) {
        QObject *object = performer.data();
        if (!object || cancelled.contains(object))
            continue;
        if (auto *cancelable = dynamic_cast<KTCancelTaskProtocol *>(object)) {
            cancelled.insert(object);
            cancelable->cancelCurrentTask();
        }
    }
    KTNotificationCenter::defaultCenter().post(kProgressDidCancelNotification);
}

void KTProgressWindowController::setIndeterminate()
{
    m_progressIndicator->setIndeterminate(true);
    m_progressIndicator->startAnimation();
}

void KTProgressWindowController::adjustCancelButton()
{
    const bool cancelable = !m_tasksCancelableStatuses.isEmpty() && m_tasksCancelableStatuses.last();
    m_cancelButton->setPushed(false);
    // Hidden, it leaves the row to the labels and the bar.
    m_cancelButton->setVisible(cancelable);
}

void KTProgressWindowController::adjustRemainingTimeLabel()
{
    if (!m_currentTaskShouldHasRemainingTime) {
        m_remainingTimeLabel->hide();
        return;
    }
    m_remainingTimeLabel->setText(tr("Calculating remaining time..."));
    m_remainingTimeLabel->setVisible(m_showsTimeLabel);
}

void KTProgressWindowController::updateRemainingTimeLabel()
{
    const std::optional<double> remaining =
        m_estimator.update(now(), m_progressIndicator->value(), m_progressIndicator->maxValue());
    if (remaining) {
        const QString phrase = KTRemainingTimeEstimator::phrase(*remaining);
        if (phrase != m_remainingTimeLabel->text())
            m_remainingTimeLabel->setText(phrase);
    }
    m_remainingTimeLabel->setVisible(m_showsTimeLabel);
}
