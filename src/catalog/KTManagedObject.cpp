#include "KTManagedObject.h"

#include <QDebug>

bool KTManagedObject::checkCurrentThread()
{
    QThread *current = QThread::currentThread();
    QThread *expected = nullptr;
    if (m_workThread.compare_exchange_strong(expected, current) || expected == current)
        return true;
    qWarning().noquote() << "Error: Invalid thread.";
    return false;
}
