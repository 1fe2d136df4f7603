#include "KTDispatch.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

bool isMainThread()
{
    auto *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void postToMain(std::function<void()> fn)
{
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
    auto *app = QCoreApplication::instance();
    Q_ASSERT_X(app, "runOnMainSync", "The application object must exist before work is sent to the main queue.");
    QMetaObject::invokeMethod(app, [&fn] { fn(); }, Qt::BlockingQueuedConnection);
}
