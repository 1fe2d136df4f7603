#pragma once

#include "KTCancelTaskProtocol.h"

#include <QObject>

#include <atomic>
#include <memory>

/// The cancel flag of one performer, shared with the jobs it runs: a job keeps it by value, so it
/// never has to reach the performer from its own thread. A performer that is destroyed leaves its
/// flag raised for good.
///
/// Threading: any thread.
class KTCancelFlag
{
public:
    bool isCanceled() const { return m_canceled.load() || m_performerDestroyed.load(); }
    /// Lowering it does not undo the performer's destruction.
    void setCanceled(bool canceled) { m_canceled.store(canceled); }
    void performerDestroyed() { m_performerDestroyed.store(true); }

private:
    std::atomic<bool> m_canceled{false};
    std::atomic<bool> m_performerDestroyed{false};
};

/// Base of the long-running workers: carries the cancel flag that the progress sheet raises and
/// that the worker's loops poll between steps.
///
/// Threading: the flag may be read and written from any thread; jobs on other threads keep
/// cancelFlag() rather than a pointer to the performer.
class KTCancelablePerformer : public QObject, public KTCancelTaskProtocol
{
    Q_OBJECT
public:
    explicit KTCancelablePerformer(QObject *parent = nullptr);
    ~KTCancelablePerformer() override;

    bool isCurrentTaskCanceled() const;
    /// A worker sets NO when it starts a cancelable task, so a cancel of the previous task does
    /// not stop the new one.
    void setCurrentTaskCanceled(bool canceled);
    /// Only raises the flag; the worker decides where to stop. The flag stays raised until the
    /// worker's next cancelable task resets it.
    void cancelCurrentTask() override;

    /// The flag itself, for jobs that may outlive the performer.
    const std::shared_ptr<KTCancelFlag> &cancelFlag() const { return m_flag; }

private:
    std::shared_ptr<KTCancelFlag> m_flag = std::make_shared<KTCancelFlag>();
};
