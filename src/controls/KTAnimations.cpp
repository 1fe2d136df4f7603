#include "KTAnimations.h"

#include <QVariantAnimation>

#include <cmath>

namespace {
bool s_enabled = true;
}

void KTAnimations::setEnabled(bool enabled)
{
    s_enabled = enabled;
}

bool KTAnimations::isEnabled()
{
    return s_enabled;
}

int KTAnimations::duration(double seconds)
{
    if (!s_enabled || !(seconds > 0))
        return 0;
    return int(std::lround(seconds * 1000.0));
}

void KTAnimations::start(QVariantAnimation *animation, double seconds,
                         QAbstractAnimation::DeletionPolicy policy)
{
    const int milliseconds = duration(seconds);
    animation->setDuration(milliseconds);
    if (milliseconds > 0) {
        animation->start(policy);
        return;
    }
    // A zero-length animation would otherwise wait for the next timer tick to reach its end.
    animation->start(policy == QAbstractAnimation::DeleteWhenStopped ? QAbstractAnimation::KeepWhenStopped
                                                                     : policy);
    if (animation->state() != QAbstractAnimation::Stopped)
        animation->setCurrentTime(animation->totalDuration());
    if (policy == QAbstractAnimation::DeleteWhenStopped)
        animation->deleteLater();
}
