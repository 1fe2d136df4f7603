#pragma once

#include <QtGlobal>

class KTImageListView;
class KTImageMO;

/// Where a selectable thumbnail list (KTImageListView and its group, browser and navigation
/// forms) gets its images. The review modes adopt it; the list holds its data source without
/// ownership (a QObject data source is forgotten when it is destroyed).
///
/// The list asks on the main thread, during reloadData() and while laying out; answers must stay
/// the same until the list is told to reload (the list keeps no copy of the images). The list
/// calls reloadData() itself only when its owner asks.
class KTImageListViewDataSource
{
public:
    virtual ~KTImageListViewDataSource() = default;

    /// The number of images in `view`.
    virtual qsizetype numberOfImages(KTImageListView *view) = 0;
    /// The image at `index` (0 to numberOfImages - 1), or null, which leaves that place without a
    /// cell. The record must be of the catalogue's main context.
    virtual KTImageMO *imageMOAtIndex(qsizetype index, KTImageListView *view) = 0;
};
