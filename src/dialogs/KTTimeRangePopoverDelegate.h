#pragma once

class KTTimeRangePopoverWindowController;

/// What the time-range popover tells its owner (the similar-groups and timeline modes). Both
/// calls are optional: the defaults do nothing. The popover holds its delegate weakly; an
/// implementer that is also a QObject is forgotten when it is destroyed.
///
/// Threading: every call comes on the main thread.
class KTTimeRangePopoverDelegate
{
public:
    virtual ~KTTimeRangePopoverDelegate() = default;

    /// The selected range changed, by a choice, by setTimeRange() or by a rollback after Cancel
    /// (the owner retitles its button).
    virtual void timeRangeDidChange(KTTimeRangePopoverWindowController *popover) { (void)popover; }
    /// The user chose a range (the owner reruns its search or grouping with it).
    virtual void timeRangePopoverDidDone(KTTimeRangePopoverWindowController *popover) { (void)popover; }
};
