#pragma once

class QObject;

/// What the main window needs of the mode that runs the similarity search (the similar groups):
/// its accuracy level and time range, which the catalogue searches with, the expert settings
/// window, and the unlimited time range of a new session.
///
/// Threading: main thread only.
class KTSimilaritySearchCapability
{
public:
    virtual ~KTSimilaritySearchCapability() = default;

    /// 1 ("lowest") to 5 ("highest"); 0 for the manual search settings.
    virtual int accuracyLevel() const = 0;
    /// The search window in seconds; 0 for unlimited.
    virtual double timeRange() const = 0;
    /// Loads the search settings of accuracyLevel() into the expert settings window.
    virtual void updateAccuracySettings() = 0;
    /// The time range back to unlimited (a new session).
    virtual void resetTimeRange() = 0;
    /// Shows the expert settings window, applying to this mode.
    virtual void onShowSearchSettings(QObject *sender) = 0;
};
