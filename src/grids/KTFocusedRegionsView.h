#pragma once

#include "KTCallbackID.h"
#include "KTDrawView.h"
#include "KTRecordRef.h"

#include <QImage>
#include <QSizeF>

#include <memory>
#include <optional>

class KTAbstractProgressIndicator;
class KTFocusedRegionsStorage;
class KTImageMO;

/// The focused-regions overlay of a cell: the picture of the image's focused region, from the
/// image's focused-regions storage, drawn with the thumbnail's fit rule. The storage is asked for
/// only while the overlay is shown (overlays start hidden); a spinner turns while it is on its
/// way. Hiding the overlay withdraws the request; showing it again asks only when no storage is
/// held.
///
/// Threading: main thread only; the focused-regions manager answers there (or at once, inside
/// the request, for a cached storage).
class KTFocusedRegionsView : public KTDrawView
{
    Q_OBJECT
public:
    explicit KTFocusedRegionsView(QWidget *parent = nullptr);
    ~KTFocusedRegionsView() override;

    KTImageMO *imageMO() const { return m_imageMO; }
    /// A different record (or none) withdraws the request and drops the storage; a shown overlay
    /// asks for the new record's storage.
    void setImageMO(KTImageMO *record);
    std::shared_ptr<KTFocusedRegionsStorage> focusedRegionsStorage() const { return m_storage; }
    void setFocusedRegionsStorage(const std::shared_ptr<KTFocusedRegionsStorage> &storage);
    /// Asks for the storage of the record; without a record nothing is asked and no spinner shows.
    void reloadFocusedRegion();
    /// Withdraws a pending request (and stops the spinner); nothing without one.
    void cancelObtainingFocusedRegions();
    bool hasPendingRequest() const { return m_callbackID.has_value(); }

    KTAbstractProgressIndicator *progressIndicator() const { return m_progressIndicator; }
    QSizeF margins() const { return m_margins; }

    /// The picture to draw for the inner size (the bounds less the margins): the storage's first
    /// focused-region level smaller than it. Null without a storage.
    virtual QImage drawImage() const;
    QRectF calculateRectForDrawImage(const QImage &picture) const;

protected:
    QSizeF innerSize() const;
    void drawInRect(QPainter &painter, const QRectF &dirty) override;
    void resizeEvent(QResizeEvent *event) override;
    void viewDidHide() override;
    void viewDidUnhide() override;

private:
    void stopSpinner();

    KTRecordRef<KTImageMO> m_imageMO;
    std::shared_ptr<KTFocusedRegionsStorage> m_storage;
    std::optional<KTCallbackID> m_callbackID;
    quint64 m_request = 0;
    KTAbstractProgressIndicator *m_progressIndicator;
    QSizeF m_margins;
};
