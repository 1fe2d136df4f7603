#include "KTDropView.h"

#include "KTColor.h"
#include "KTFont.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

constexpr double kCornerRadius = 6.0;
constexpr int kRefusalMargin = 24;

} // namespace

/// The layer over a drop view's children that shows why a drag is refused.
class KTDropRefusalOverlay : public QWidget
{
public:
    explicit KTDropRefusalOverlay(KTDropView *view) : QWidget(view), m_view(view) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        m_view->paintRefusal(painter);
    }

private:
    KTDropView *m_view;
};

KTDropView::KTDropView(QWidget *parent) : QWidget(parent)
{
    setAcceptDrops(true);
    // The outline stays clear of whatever is laid out inside.
    setContentsMargins(2, 2, 2, 2);
}

QStringList KTDropView::registeredDraggedTypes()
{
    return {kImageListPasteboardType, kNodeIdentifierPasteboardType, kFileURLsPasteboardType};
}

Qt::DropAction KTDropView::dragOperation(const QMimeData *data, Qt::DropActions offered,
                                         const QObject *source) const
{
    if (!data || !(offered & Qt::CopyAction))
        return Qt::IgnoreAction;
    const QStringList types = registeredDraggedTypes();
    if (std::none_of(types.cbegin(), types.cend(),
                     [data](const QString &type) { return data->hasFormat(type); }))
        return Qt::IgnoreAction;
    for (const QObject *object = source; object; object = object->parent()) {
        if (object == this)
            return Qt::IgnoreAction;
    }
    KTDropViewDelegate *delegate = m_delegate.get();
    return delegate && delegate->canReadDataFromPasteboard(data) ? Qt::CopyAction : Qt::IgnoreAction;
}

bool KTDropView::performDragOperation(const QMimeData *data, Qt::DropActions offered, const QObject *source)
{
    if (dragOperation(data, offered, source) != Qt::CopyAction)
        return false;
    m_delegate->readDataFromPasteboard(data);
    return true;
}

void KTDropView::dragEnterEvent(QDragEnterEvent *event)
{
    m_enteredOperation = dragOperation(event->mimeData(), event->possibleActions(), event->source());
    if (m_enteredOperation == Qt::IgnoreAction) {
        KTDropViewDelegate *delegate = m_delegate.get();
        const QString refusal =
            delegate && event->mimeData() ? delegate->refusalOfPasteboard(event->mimeData()) : QString();
        if (refusal.isEmpty()) {
            event->ignore();
            return;
        }
        // Taken in, so the leave arrives to clear the reason; the moves still refuse the drop.
        setRefusal(refusal);
        event->accept();
        event->setDropAction(Qt::IgnoreAction);
        return;
    }
    event->setDropAction(m_enteredOperation);
    event->accept();
    setHighlighted(true);
}

void KTDropView::dragMoveEvent(QDragMoveEvent *event)
{
    // The answer of the enter holds for the whole passage over the view.
    if (m_enteredOperation == Qt::IgnoreAction) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    event->setDropAction(m_enteredOperation);
    event->accept();
}

void KTDropView::dragLeaveEvent(QDragLeaveEvent *event)
{
    m_enteredOperation = Qt::IgnoreAction;
    setHighlighted(false);
    setRefusal({});
    event->accept();
}

void KTDropView::dropEvent(QDropEvent *event)
{
    m_enteredOperation = Qt::IgnoreAction;
    setHighlighted(false);
    setRefusal({});
    if (!performDragOperation(event->mimeData(), event->possibleActions(), event->source())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void KTDropView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath panel;
    panel.addRoundedRect(bounds, kCornerRadius, kCornerRadius);
    painter.fillPath(panel, KTPalette::kPanel);
    if (m_highlighted) {
        painter.setPen(QPen(KTPalette::kAccent, 2.0));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), kCornerRadius, kCornerRadius);
    } else if (m_refusal.isEmpty()) {
        painter.setPen(QPen(KTPalette::kLine, 1.0));
        painter.drawPath(panel);
    }
}

void KTDropView::paintRefusal(QPainter &painter) const
{
    // Over the table and the hint, which are children of this view: painted by the overlay.
    QPainterPath panel;
    panel.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), kCornerRadius, kCornerRadius);
    QColor veil = KTPalette::kPanel;
    veil.setAlphaF(0.94);
    painter.fillPath(panel, veil);
    painter.setPen(QPen(KTPalette::kReject, 2.0));
    painter.drawPath(panel);
    painter.setPen(KTPalette::kText);
    painter.setFont(ktBodyFont());
    const QRect text = rect().adjusted(kRefusalMargin, kRefusalMargin, -kRefusalMargin, -kRefusalMargin);
    painter.drawText(text, Qt::AlignCenter | Qt::TextWordWrap, m_refusal);
}

void KTDropView::setRefusal(const QString &refusal)
{
    if (m_refusal == refusal)
        return;
    m_refusal = refusal;
    if (!m_overlay) {
        m_overlay = new KTDropRefusalOverlay(this);
        m_overlay->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    m_overlay->setGeometry(rect());
    m_overlay->setVisible(!m_refusal.isEmpty());
    m_overlay->raise();
    m_overlay->update();
    update();
}

void KTDropView::setHighlighted(bool highlighted)
{
    if (m_highlighted == highlighted)
        return;
    m_highlighted = highlighted;
    update();
}
