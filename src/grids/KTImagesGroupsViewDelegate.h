#pragma once

#include <QtGlobal>

class KTImagesGroupsView;

/// What a selectable group list tells the review mode that owns it. Held without ownership; both
/// calls run on the main thread.
class KTImagesGroupsViewDelegate
{
public:
    virtual ~KTImagesGroupsViewDelegate() = default;

    /// A click or an Up/Down key changed the selected group (read it from selectedGroupIndex());
    /// never sent for the owner's own setSelectedGroupIndex().
    virtual void imagesGroupsViewSelectionDidChange(KTImagesGroupsView *view) = 0;
    /// A row was double-clicked, after the selection moved to it.
    virtual void imagesGroupsViewDoubleClickedInGroupAtIndex(KTImagesGroupsView *view,
                                                             qsizetype groupIndex) = 0;
};
