#pragma once

#include <QList>
#include <QtGlobal>

class KTGrouppedImagesView;
class KTImageMO;

/// Where a group list (KTGrouppedImagesView and its selectable forms, the grouped browser) gets
/// its groups: the review modes adopt it for their similar groups and time groups. The list holds
/// its data source without ownership (a QObject data source is forgotten when destroyed).
///
/// The list asks on the main thread: the number of groups once per reloadData(), each group's
/// images at that reload and whenever a row of it comes into view. Answers must stay the same
/// until the list is told to reload; the list keeps no copy of a group beyond its visible rows.
class KTGrouppedImagesViewDataSource
{
public:
    virtual ~KTGrouppedImagesViewDataSource() = default;

    virtual qsizetype numberOfGroups(KTGrouppedImagesView *view) = 0;
    /// The image records of group `index` in display order; empty for an index out of range. The
    /// records must be of the catalogue's main context.
    virtual QList<KTImageMO *> imagesForGroupAtIndex(qsizetype index, KTGrouppedImagesView *view) = 0;
};
