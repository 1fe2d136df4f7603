#pragma once

#include <QtGlobal>

class KTGrouppedImagesBrowserView;

/// What the grouped images browser tells its owner. Held without ownership; both calls run on
/// the main thread. Indexes are flat: positions in the list of every image of every group.
class KTGrouppedImagesBrowserViewDelegate
{
public:
    virtual ~KTGrouppedImagesBrowserViewDelegate() = default;

    /// The user changed the selection (mouse, keys, select all, deselect all).
    virtual void selectionDidChange(KTGrouppedImagesBrowserView *view) = 0;
    /// An image was double-clicked; the selection has been updated as for a single click
    /// (without a selection-change message).
    virtual void doubleClickedImageAtIndex(qsizetype flatIndex, KTGrouppedImagesBrowserView *view) = 0;
};
