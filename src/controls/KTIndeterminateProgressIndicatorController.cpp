#include "KTIndeterminateProgressIndicatorController.h"

#include "KTAbstractProgressIndicator.h"

#include "KTDispatch.h"

#include <QDebug>

KTIndeterminateProgressIndicatorController &KTIndeterminateProgressIndicatorController::sharedController()
{
    static KTIndeterminateProgressIndicatorController controller;
    return controller;
}

void KTIndeterminateProgressIndicatorController::setProgressIndicator(KTAbstractProgressIndicator *indicator)
{
    Q_ASSERT(isMainThread());
    Q_ASSERT_X(!indicator || indicator->isIndeterminate(), "setProgressIndicator",
               "Cannot manage determinate progress indicator");
    m_indicator = indicator;
}

KTAbstractProgressIndicator *KTIndeterminateProgressIndicatorController::progressIndicator() const
{
    Q_ASSERT(isMainThread());
    return m_indicator;
}

void KTIndeterminateProgressIndicatorController::startAnimation()
{
    std::lock_guard lock(m_mutex);
    ++m_count;
    postToMain([this] {
        if (m_indicator)
            m_indicator->startAnimation();
    });
}

void KTIndeterminateProgressIndicatorController::stopAnimation()
{
    std::lock_guard lock(m_mutex);
    if (m_count == 0)
        qWarning("%s unbalanced stopAnimation: count already 0",
                 "KTIndeterminateProgressIndicatorController::stopAnimation");
    else
        --m_count;
    if (m_count == 0) {
        postToMain([this] {
            if (m_indicator)
                m_indicator->stopAnimation();
        });
    }
}

std::int64_t KTIndeterminateProgressIndicatorController::animationRequestsCount() const
{
    std::lock_guard lock(m_mutex);
    return m_count;
}

void KTIndeterminateProgressIndicatorController::setAnimationRequestsCount(std::int64_t count)
{
    std::lock_guard lock(m_mutex);
    m_count = count;
}
