#pragma once

class QWidget;

/// What the main window needs of the mode that groups the images by time (the timeline): its
/// grouping interval, which the catalogue groups with, and its reject-unselected button, which
/// no session may use.
///
/// Threading: main thread only.
class KTTimeGroupingCapability
{
public:
    virtual ~KTTimeGroupingCapability() = default;

    /// The grouping interval in seconds.
    virtual double timeRange() const = 0;
    virtual QWidget *rejectNotSelectedButton() const = 0;
};
