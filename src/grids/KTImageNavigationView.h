#pragma once

#include "KTImageListView.h"

/// A one-row strip of small thumbnails that scrolls sideways (in a horizontal KTGridScrollView):
/// cells as high as the visible height less the margins. Its cells never show the focused
/// regions or the autofocus points, and have no reject button.
///
/// Threading: main thread only.
class KTImageNavigationView : public KTImageListView
{
    Q_OBJECT
public:
    explicit KTImageNavigationView(QWidget *parent = nullptr);

    bool showsFocusedRegions() const override { return false; }
    bool showsFocusPointLattice() const override { return false; }

    void adjustSize() override;
    unsigned cellTypeForIndex(qsizetype index) const override;
    /// Scrolls sideways the least that shows the whole cell.
    void scrollCellToVisibleAtIndex(qsizetype index) override;
    using KTImageListView::scrollCellToVisibleAtIndex;
};
