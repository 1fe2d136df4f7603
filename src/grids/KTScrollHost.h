#pragma once

#include <QPointF>
#include <QRectF>

/// What a grid needs of the scroll view around it, in the grid's own coordinates with y up: the
/// part of it on screen, and a way to move that part. The grids' scrolling rules (a cell into
/// view, the visible centre kept across a resize, a group to the centre) are written against it,
/// so they run without a window in tests.
///
/// The host tells its document view of changes through the view's clipViewBoundsDidChange()
/// (scrolled) and clipViewFrameDidChange() (resized).
class KTScrollHost
{
public:
    virtual ~KTScrollHost() = default;

    /// The visible part of the document view (y up); the zero rectangle when nothing is shown.
    virtual QRectF documentVisibleRect() const = 0;
    /// Scrolls so that the visible part's lower left corner lies at `origin` (y up), within what
    /// the document allows.
    virtual void scrollToPoint(const QPointF &origin) = 0;
};
