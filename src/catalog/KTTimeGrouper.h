#pragma once

#include "KTTasksNotifier.h"

#include <QDateTime>

#include <memory>

class KTObjectContext;

/// Sorts every image of a catalogue into time groups: runs of shots taken close together on the
/// same day of the month. A rebuild always starts from scratch: it deletes every "TimeGroup" and
/// makes new ones (with new identifiers), plus one group flagged "timestampIsAbsent" for the images
/// without a time stamp.
///
/// Seam: KTImageStorage's groupImagesByTimeInterval(interval) is
///     KTTimeGrouper::groupImagesByTimeInterval(interval, managedObjectContext(), this);
/// and the import calls the in-context rebuild inside its own loading context.
///
/// Threading: the in-context rebuild runs synchronously on the calling context's thread; the
/// other entry is main-thread only and returns at once.
class KTTimeGrouper
{
public:
    /// Main thread: makes a child context of `mainContext` and, on its queue, rebuilds the groups
    /// and saves into the main context (a failed save is logged). Returns at once. Announces
    /// "Grouping Images By Time" with `sender`, which may be null.
    static void groupImagesByTimeInterval(double interval,
                                          const std::shared_ptr<KTObjectContext> &mainContext,
                                          const KTTaskSender &sender);

    /// The whole rebuild in `context`, on its thread. Announces the task (not cancelable) with
    /// `sender`; neither saves nor polls a cancel flag.
    static void groupImagesByTimeInterval(double interval, KTObjectContext &context,
                                          const KTTaskSender &sender);

    /// The grouping rule for a shot and the shot before it in time-stamp order: the same shot
    /// (equal time stamps and equal exposures) always joins; otherwise the shot joins when the gap
    /// between the end of the earlier exposure and the later shot is at most `interval` seconds
    /// and both shots fall on the same day of the month (KTDateDay's day()). A missing exposure
    /// counts as 0.
    static bool joinsPreviousShot(const QDateTime &previousTimeStamp, double previousExposure,
                                  const QDateTime &timeStamp, double exposure, double interval);
};
