#pragma once

#include "KTScrollHost.h"

#include <QScrollArea>

#include <functional>

/// The scroll view of a grid or group list: hosts one document view (a KTImageCollectionView or a
/// KTGrouppedImagesView), which sizes itself, and tells it when the visible part moves or the
/// visible area changes size. The scroll bar along the scrolling direction is always shown, so the
/// width the columns get never depends on the content.
///
/// Threading: main thread only.
class KTGridScrollView : public QScrollArea, public KTScrollHost
{
    Q_OBJECT
public:
    explicit KTGridScrollView(Qt::Orientation orientation = Qt::Vertical, QWidget *parent = nullptr);
    ~KTGridScrollView() override;

    /// Installs `view` as the document (the scroll view owns it) and becomes its scroll host.
    /// The view must offer setScrollHost(), clipViewBoundsDidChange() and clipViewFrameDidChange().
    template <class DocumentView> void setDocumentView(DocumentView *view)
    {
        setWidget(view);
        view->setScrollHost(this);
        m_boundsChanged = [view] { view->clipViewBoundsDidChange(); };
        m_frameChanged = [view] { view->clipViewFrameDidChange(); };
        fitDocumentAcross();
        m_frameChanged();
    }

    QRectF documentVisibleRect() const override;
    void scrollToPoint(const QPointF &origin) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fitDocumentAcross();

    std::function<void()> m_boundsChanged;
    std::function<void()> m_frameChanged;
};
