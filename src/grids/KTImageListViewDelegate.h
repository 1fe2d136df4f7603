#pragma once

#include <QString>
#include <QtGlobal>

class KTImageListView;

/// What a selectable thumbnail list tells the review mode that owns it, and the one question it
/// asks. Held without ownership; every call runs on the main thread and the list relies on no
/// effect of the two notifications.
class KTImageListViewDelegate
{
public:
    virtual ~KTImageListViewDelegate() = default;

    /// Asked before a Ctrl (Command) key of the list acts, with the key as a key-equivalent string
    /// ("a", "d", ...; see KTKeyEquivalent.h). Answering false leaves the key to the window's
    /// menu shortcuts; the review modes refuse "a" and "d" while comparing two images.
    virtual bool canImageListPerformKeyDownWithKeyEquivalent(const QString &keyEquivalent) = 0;
    /// The user changed the selection (by mouse, keys, select all or deselect all). Not sent for
    /// changes the owner makes through selectIndexes() or reloadData().
    virtual void imageListViewSelectionDidChange(KTImageListView *view) = 0;
    /// A thumbnail was double-clicked; the selection has already been updated as for a single
    /// click (without a selection-change message).
    virtual void imageListViewCellWasDoubleClickedAtIndex(KTImageListView *view, qsizetype index) = 0;
};
