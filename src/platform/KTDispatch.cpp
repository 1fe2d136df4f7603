#include "KTDispatch.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <atomic>

namespace {

std::atomic<bool> s_mainQueueClosed{false};

bool isMainQueueClosed()
{
    return s_mainQueueClosed || QCoreApplication::closingDown();
}

} // namespace

bool isMainThread()
{
    auto *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void postToMain(std::function<void()> fn)
{
    // Background work can still finish while the application object is being destroyed (at
    // quit, or at the end of a test): nothing would ever run its reply, so it is dropped.
    if (isMainQueueClosed())
        return;
    auto *app = QCoreApplication::instance();
    Q_ASSERT_X(app, "postToMain", "The application object must exist before work is posted to the main queue.");
    QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

void runOnMainSync(const std::function<void()> &fn)
{
    if (isMainThread()) {
        fn();
        return;
    }
    // Background work that outlives the event loop (a load running when the user quits) reaches
    // here while the application object is destroyed, or after: nothing would run `fn`.
    if (isMainQueueClosed())
        return;
    auto *app = QCoreApplication::instance();
    Q_ASSERT_X(app, "runOnMainSync", "The application object must exist before work is sent to the main queue.");
    QMetaObject::invokeMethod(app, [&fn] { fn(); }, Qt::BlockingQueuedConnection);
}

void closeMainQueue()
{
    s_mainQueueClosed = true;
}
