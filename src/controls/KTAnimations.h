#pragma once

#include <QAbstractAnimation>

class QVariantAnimation;

/// The one switch over every animation of the user interface, and the durations that go with it.
/// Screens take their durations from duration() and start their animations through start(), so
/// that tests (and the screens tool) can turn every animation into an immediate jump to its end.
///
/// Threading: main thread only.
class KTAnimations
{
public:
    /// With false every duration is 0 and start() finishes an animation before it returns.
    static void setEnabled(bool enabled);
    static bool isEnabled();

    /// `seconds` in milliseconds, rounded; 0 while animations are off or for a negative time.
    static int duration(double seconds);

    /// Gives `animation` the duration of `seconds` and starts it. While animations are off it has
    /// run to its end value (finished() emitted) when this returns.
    static void start(QVariantAnimation *animation, double seconds,
                      QAbstractAnimation::DeletionPolicy policy = QAbstractAnimation::KeepWhenStopped);
};
