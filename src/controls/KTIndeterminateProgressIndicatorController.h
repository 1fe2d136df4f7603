#pragma once

#include <QPointer>

#include <cstdint>
#include <mutex>

class KTAbstractProgressIndicator;

/// The shared start and stop counter of the main window's activity spinner: any number of jobs,
/// on any thread, ask for the spinner when they start and give it back when they end; the
/// spinner runs while at least one request is outstanding.
///
/// Threading: startAnimation() and stopAnimation() may be called from any thread; they change
/// the count under a lock and queue the matching call of the spinner to the main thread in the
/// same locked step, so the spinner sees starts and stops in the order of the count changes.
/// The spinner itself is set and read on the main thread only, and held without ownership.
class KTIndeterminateProgressIndicatorController
{
public:
    /// The one controller of the process, made at first use.
    static KTIndeterminateProgressIndicatorController &sharedController();

    KTIndeterminateProgressIndicatorController(const KTIndeterminateProgressIndicatorController &) = delete;
    KTIndeterminateProgressIndicatorController &
    operator=(const KTIndeterminateProgressIndicatorController &) = delete;

    /// Registers the spinner (main thread). A determinate indicator is a programming error
    /// ("Cannot manage determinate progress indicator").
    void setProgressIndicator(KTAbstractProgressIndicator *indicator);
    KTAbstractProgressIndicator *progressIndicator() const;

    /// One more request; the spinner is asked to start on the main thread (every time).
    void startAnimation();
    /// One request less; at 0 the spinner is asked to stop on the main thread. A stop at 0 logs
    /// "... unbalanced stopAnimation: count already 0", keeps 0, and still stops the spinner.
    void stopAnimation();

    std::int64_t animationRequestsCount() const;
    void setAnimationRequestsCount(std::int64_t count);

private:
    KTIndeterminateProgressIndicatorController() = default;

    mutable std::mutex m_mutex;
    std::int64_t m_count = 0;
    QPointer<KTAbstractProgressIndicator> m_indicator;
};
