#include "KTGridScrollView.h"

#include "KTColor.h"
#include "KTScroller.h"

#include <QEvent>
#include <QScrollBar>

KTGridScrollView::KTGridScrollView(Qt::Orientation orientation, QWidget *parent) : QScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (orientation == Qt::Vertical) {
        setVerticalScrollBar(new KTScroller(Qt::Vertical, this));
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    } else {
        setHorizontalScrollBar(new KTScroller(Qt::Horizontal, this));
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, KTPalette::kPanel);
    viewport()->setPalette(palette);
    viewport()->installEventFilter(this);
    const auto bounds = [this] {
        if (m_boundsChanged)
            m_boundsChanged();
    };
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, bounds);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, bounds);
}

KTGridScrollView::~KTGridScrollView()
{
    m_boundsChanged = nullptr;
    m_frameChanged = nullptr;
}

QRectF KTGridScrollView::documentVisibleRect() const
{
    const QWidget *document = widget();
    if (!document)
        return {};
    // The viewport's rectangle in the document, y down, then turned y up. A document not yet
    // sized counts as filling the viewport, as the grids raise theirs to the visible size.
    const QSizeF size = QSizeF(document->size()).expandedTo(QSizeF(viewport()->size()));
    const QRectF visible =
        QRectF(viewport()->rect()).translated(-QPointF(document->pos())).intersected(QRectF(QPointF(), size));
    return {visible.x(), size.height() - visible.y() - visible.height(), visible.width(), visible.height()};
}

void KTGridScrollView::scrollToPoint(const QPointF &origin)
{
    const QWidget *document = widget();
    if (!document)
        return;
    const double height = std::max(document->height(), viewport()->height());
    horizontalScrollBar()->setValue(int(std::lround(origin.x())));
    verticalScrollBar()->setValue(int(std::lround(height - origin.y() - viewport()->height())));
}

void KTGridScrollView::fitDocumentAcross()
{
    // The document spans the viewport across the scrolling direction, as a clip view pins it.
    QWidget *document = widget();
    if (!document)
        return;
    if (horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff)
        document->resize(viewport()->width(), document->height());
    else
        document->resize(document->width(), viewport()->height());
}

bool KTGridScrollView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == viewport() && event->type() == QEvent::Resize && m_frameChanged) {
        fitDocumentAcross();
        m_frameChanged();
    }
    return QScrollArea::eventFilter(watched, event);
}
