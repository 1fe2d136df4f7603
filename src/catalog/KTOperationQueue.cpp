#include "KTOperationQueue.h"

#include "KTBackgroundWork.h"
#include "KTDispatch.h"

#include <QGuiApplication>

#include <unistd.h>

KTOperation::KTOperation(Body body) : m_body(std::move(body)) {}

bool KTOperation::isFinished() const
{
    std::lock_guard lock(m_mutex);
    return m_finished;
}

void KTOperation::waitUntilFinished()
{
    Q_ASSERT_X(!isMainThread(), "KTOperation::waitUntilFinished",
               "The main thread never waits on background work.");
    std::unique_lock lock(m_mutex);
    m_finishedCondition.wait(lock, [this] { return m_finished; });
}

void KTOperation::run()
{
    if (!m_cancelled && m_body)
        m_body(*this);
    if (m_completion)
        m_completion();
    std::lock_guard lock(m_mutex);
    m_finished = true;
    m_finishedCondition.notify_all();
}

KTOperationQueue &KTOperationQueue::sharedQueue()
{
    static KTOperationQueue *queue = [] {
        auto *q = new KTOperationQueue;
        if (auto *app = QCoreApplication::instance(); app && q->thread() != app->thread())
            q->moveToThread(app->thread());
        return q;
    }();
    return *queue;
}

KTOperationQueue::KTOperationQueue(QObject *parent) : QObject(parent)
{
    m_pool.setObjectName(QStringLiteral("KTOperationQueue"));
    KTBackgroundWork::addPool(&m_pool, [this] { cancelAllOperations(); });
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        m_activityConnection = connect(app, &QGuiApplication::applicationStateChanged, this,
                                       [this] { adaptForAppActiveStatus(); });
    }
    adaptForAppActiveStatus();
}

KTOperationQueue::~KTOperationQueue()
{
    prepareForDeleting();
    KTBackgroundWork::removePool(&m_pool);
    m_pool.waitForDone();
}

void KTOperationQueue::prepareForDeleting()
{
    disconnect(m_activityConnection);
}

int KTOperationQueue::widthFor(int processors, bool applicationActive)
{
    int n = processors;
    if (!applicationActive)
        n /= 2;
    return n < 1 ? 1 : n;
}

void KTOperationQueue::setMaxConcurrentOperationCount(int count)
{
    m_explicitWidth = true;
    m_pool.setMaxThreadCount(count < 1 ? 1 : count);
}

void KTOperationQueue::adaptForAppActiveStatus()
{
    if (m_explicitWidth)
        return;
    const long online = sysconf(_SC_NPROCESSORS_ONLN);
    bool active = true;
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        active = QGuiApplication::applicationState() == Qt::ApplicationActive;
    m_pool.setMaxThreadCount(widthFor(online > 0 ? int(online) : 1, active));
}

void KTOperationQueue::addOperation(std::shared_ptr<KTOperation> operation)
{
    {
        std::lock_guard lock(m_mutex);
        m_operations.insert(operation);
        m_pending.push_back(operation);
    }
    // Every added operation starts one pool task; the task runs whichever waiting operation has
    // the highest priority then, so priority changes made while waiting take effect.
    m_pool.start([this] {
        std::shared_ptr<KTOperation> next = takeNextPending();
        next->run();
        finished(next);
    });
}

std::shared_ptr<KTOperation> KTOperationQueue::takeNextPending()
{
    std::lock_guard lock(m_mutex);
    auto best = m_pending.begin();
    for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
        if ((*it)->queuePriority() > (*best)->queuePriority())
            best = it;
    }
    std::shared_ptr<KTOperation> next = std::move(*best);
    m_pending.erase(best);
    return next;
}

std::shared_ptr<KTOperation> KTOperationQueue::addOperationWithBlock(KTOperation::Body body,
                                                                     KTOperation::Priority priority)
{
    auto operation = std::make_shared<KTOperation>(std::move(body));
    operation->setQueuePriority(priority);
    addOperation(operation);
    return operation;
}

void KTOperationQueue::finished(const std::shared_ptr<KTOperation> &operation)
{
    std::lock_guard lock(m_mutex);
    m_operations.erase(operation);
    if (m_operations.empty())
        m_idle.notify_all();
}

void KTOperationQueue::cancelAllOperations()
{
    std::lock_guard lock(m_mutex);
    for (const auto &operation : m_operations)
        operation->cancel();
}

void KTOperationQueue::waitUntilAllOperationsAreFinished()
{
    Q_ASSERT_X(!isMainThread(), "KTOperationQueue::waitUntilAllOperationsAreFinished",
               "The main thread never waits on background work.");
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_operations.empty(); });
}

int KTOperationQueue::operationCount() const
{
    std::lock_guard lock(m_mutex);
    return int(m_operations.size());
}
