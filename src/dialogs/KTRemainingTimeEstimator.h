#pragma once

#include <QCoreApplication>
#include <QString>

#include <optional>

/// The remaining-time estimate of the progress sheet: the rate between a reference point (a time
/// and a bar value) and now, projected over what is left of the bar.
///
/// The estimate is renewed when the bar has moved by 5 % of its maximum since the reference
/// point, or when more than 5 seconds have passed. A renewal moves the reference point to now.
/// No estimate comes out of a bar without a positive maximum, or of a renewal with no forward
/// movement (a stall or a value that went back): then the previous text stays. A remaining time
/// is never infinite, NaN or negative.
///
/// Threading: a plain value; the sheet uses it on the main thread.
class KTRemainingTimeEstimator
{
    Q_DECLARE_TR_FUNCTIONS(KTRemainingTimeEstimator)

public:
    /// The share of the maximum, and the seconds, after which the estimate is renewed.
    static constexpr double kRenewalFraction = 0.05;
    static constexpr double kRenewalInterval = 5.0;

    /// Sets the reference point: the bar stood at `value` at `seconds` (any monotonic clock).
    void reset(double seconds, double value = 0.0);

    /// The bar stands at `value` of `maximum` at `seconds`: the remaining seconds when the
    /// estimate is renewed with a usable rate, nothing otherwise (keep the text shown).
    std::optional<double> update(double seconds, double value, double maximum);

    double lastStepTime() const { return m_lastStepTime; }
    double lastStepValue() const { return m_lastStepValue; }

    /// The phrase for `seconds` remaining, localised: "Less than 30 seconds remaining" up to
    /// "About %1 days remaining". A negative or NaN time counts as 0; the number is the time in
    /// the phrase's unit, truncated (and kept within a 32-bit integer).
    static QString phrase(double seconds);

private:
    double m_lastStepTime = 0.0;
    double m_lastStepValue = 0.0;
};
