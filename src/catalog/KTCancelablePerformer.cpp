#include "KTCancelablePerformer.h"

KTCancelablePerformer::KTCancelablePerformer(QObject *parent) : QObject(parent) {}

KTCancelablePerformer::~KTCancelablePerformer()
{
    m_flag->performerDestroyed();
}

bool KTCancelablePerformer::isCurrentTaskCanceled() const
{
    return m_flag->isCanceled();
}

void KTCancelablePerformer::setCurrentTaskCanceled(bool canceled)
{
    m_flag->setCanceled(canceled);
}

void KTCancelablePerformer::cancelCurrentTask()
{
    setCurrentTaskCanceled(true);
}
