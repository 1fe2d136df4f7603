#include "KTRemainingTimeEstimator.h"

#include <cmath>
#include <limits>

namespace {

/// `seconds` in `unit`, truncated; a count too large for 32 bits stays at the largest one.
int countIn(double seconds, double unit)
{
    const double count = std::trunc(seconds / unit);
    constexpr double kMax = double(std::numeric_limits<int>::max());
    return count >= kMax ? std::numeric_limits<int>::max() : int(count);
}

} // namespace

void KTRemainingTimeEstimator::reset(double seconds, double value)
{
    m_lastStepTime = seconds;
    m_lastStepValue = value;
}

std::optional<double> KTRemainingTimeEstimator::update(double seconds, double value, double maximum)
{
    // Without a positive maximum there is no share of the bar to measure against.
    if (!(maximum > 0.0) || !std::isfinite(maximum) || !std::isfinite(value))
        return std::nullopt;
    const double moved = value - m_lastStepValue;
    const double elapsed = seconds - m_lastStepTime;
    if (!(moved / maximum >= kRenewalFraction) && !(elapsed > kRenewalInterval))
        return std::nullopt;

    m_lastStepTime = seconds;
    m_lastStepValue = value;
    // A renewal by time alone may see no movement, or a value that went back: no rate to use.
    if (!(moved > 0.0))
        return std::nullopt;
    const double remaining = (maximum - value) / moved * elapsed;
    if (!std::isfinite(remaining))
        return std::nullopt;
    return std::max(remaining, 0.0);
}

QString KTRemainingTimeEstimator::phrase(double seconds)
{
    const double t = seconds > 0.0 ? seconds : 0.0;
    if (t < 30)
        return tr("Less than 30 seconds remaining");
    if (t < 60)
        return tr("Less than a minute remaining");
    if (t < 120)
        return tr("About one minute remaining");
    if (t < 3600)
        return tr("About %1 minutes remaining").arg(countIn(t, 60));
    if (t < 7200)
        return tr("About one hour remaining");
    if (t < 86400)
        return tr("About %1 hours remaining").arg(countIn(t, 3600));
    if (t < 172800)
        return tr("About one day remaining");
    return tr("About %1 days remaining").arg(countIn(t, 86400));
}
