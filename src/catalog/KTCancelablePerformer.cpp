#include "KTCancelablePerformer.h"

KTCancelablePerformer::KTCancelablePerformer(QObject *parent) : QObject(parent) {}

bool KTCancelablePerformer::isCurrentTaskCanceled() const
{
    std::lock_guard lock(m_mutex);
    return m_currentTaskCanceled;
}

void KTCancelablePerformer::setCurrentTaskCanceled(bool canceled)
{
    std::lock_guard lock(m_mutex);
    m_currentTaskCanceled = canceled;
}

void KTCancelablePerformer::cancelCurrentTask()
{
    setCurrentTaskCanceled(true);
}
