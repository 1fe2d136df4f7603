#pragma once

#include "KTCancelTaskProtocol.h"

#include <QObject>

#include <mutex>

/// Base of the long-running workers: carries the cancel flag that the progress sheet raises and
/// that the worker's loops poll between steps.
///
/// Threading: the flag may be read and written from any thread.
class KTCancelablePerformer : public QObject, public KTCancelTaskProtocol
{
    Q_OBJECT
public:
    explicit KTCancelablePerformer(QObject *parent = nullptr);

    bool isCurrentTaskCanceled() const;
    /// A worker sets NO when it starts a cancelable task, so a cancel of the previous task does
    /// not stop the new one.
    void setCurrentTaskCanceled(bool canceled);
    /// Only raises the flag; the worker decides where to stop. The flag stays raised until the
    /// worker's next cancelable task resets it.
    void cancelCurrentTask() override;

private:
    mutable std::mutex m_mutex;
    bool m_currentTaskCanceled = false;
};
