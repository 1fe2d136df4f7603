#pragma once

#include "KTDropViewDelegate.h"
#include "KTWeakDelegate.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

class QMimeData;
class QPainter;

/// The drag type of an image list dragged out of the catalogue browser.
inline const QString kImageListPasteboardType = QStringLiteral("ImageDataListFolderPboardType");
/// The drag type of a catalogue browser node; its data is the node's identifier in UTF-8.
inline const QString kNodeIdentifierPasteboardType = QStringLiteral("com.imedia.nodeItemIDDrag");
/// Folders and files, as the desktop drags them.
inline const QString kFileURLsPasteboardType = QStringLiteral("text/uri-list");

/// The area of the sources window that takes drops of folders, catalogue files and catalogue
/// browser nodes. It holds the sources table: clicks and keys go to the table, drags come here
/// (the table takes none). It paints the rounded panel the table sits on, with an accent
/// outline while a drag it can take is over it.
///
/// Every decision is its delegate's; the view adds three rules of its own: only the registered
/// types are considered, a drag that does not offer copying gets no operation, and a drag that
/// starts inside this view (from the table and its rows) is never taken back. A drag the delegate
/// refuses with a reason gets a red outline and the reason over the panel while it is over the
/// view, so the refusal is seen rather than only felt in the pointer.
///
/// Threading: main thread only.
class KTDropView : public QWidget
{
    Q_OBJECT
public:
    explicit KTDropView(QWidget *parent = nullptr);

    /// Not owned.
    KTDropViewDelegate *delegate() const { return m_delegate.get(); }
    void setDelegate(KTDropViewDelegate *delegate) { m_delegate = delegate; }

    /// The types the view registers, in order: image list, browser node, file URLs.
    static QStringList registeredDraggedTypes();

    /// The operation a drag gets: Copy when `data` holds a registered type, `offered` includes
    /// copying, `source` (the widget the drag started in, or null for another program) is not
    /// inside this view, and the delegate can read the data; otherwise none.
    Qt::DropAction dragOperation(const QMimeData *data, Qt::DropActions offered, const QObject *source) const;
    /// The drop: asks the delegate again and, when it can, has it read the data. Returns whether
    /// the data was read.
    bool performDragOperation(const QMimeData *data, Qt::DropActions offered, const QObject *source);

    /// True while a drag that the view takes is over it.
    bool isHighlighted() const { return m_highlighted; }
    /// The delegate's reason while a drag it refuses is over the view; empty otherwise.
    QString refusal() const { return m_refusal; }

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    friend class KTDropRefusalOverlay;
    void setHighlighted(bool highlighted);
    void setRefusal(const QString &refusal);
    void paintRefusal(QPainter &painter) const;

    KTWeakDelegate<KTDropViewDelegate> m_delegate;
    Qt::DropAction m_enteredOperation = Qt::IgnoreAction;
    bool m_highlighted = false;
    QString m_refusal;
    /// Paints the refusal over the table and the hint, which lie inside the view.
    QPointer<QWidget> m_overlay;
};
