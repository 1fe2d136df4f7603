#pragma once

#include "KTEntitiesManagerCallbackID.h"
#include "KTImageViewServices.h"
#include "KTNotificationCenter.h"
#include "KTRecordRef.h"

#include <QImage>
#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class KTHistogramView;
class KTImageExifView;
class KTImageDocument;
class KTImageMO;

/// Feeds the EXIF panel of a review mode: for the active image it asks for a 300-pixel preview
/// and, when it has arrived and the record's document has read the file, fills the panel from
/// the file's properties (the colour space is the file's own) and the histogram from the
/// preview. Each new record clears the panel at once. A request still pending when another
/// record arrives is withdrawn. A hidden panel does no work: it takes the record and is filled
/// once, when it is shown again.
///
/// The panel (exifView()) is made here and belongs to whichever widget takes it as a child;
/// the controller deletes it only when nobody took it.
///
/// Threading: main thread only; the preview arrives on the main thread.
class KTExifViewController : public QObject
{
    Q_OBJECT
public:
    /// The preview's size (on the thumbnail ladder).
    static constexpr double kPreviewSize = 300.0;

    /// Previews from `services`' entities manager; documents made with `services`.
    explicit KTExifViewController(const KTImageViewServices &services = {}, QObject *parent = nullptr);
    ~KTExifViewController() override;
    static std::unique_ptr<KTExifViewController> controller()
    {
        return std::make_unique<KTExifViewController>();
    }

    KTImageExifView *exifView() const;
    KTHistogramView *histogramView() const;

    KTImageMO *imageMO() const { return m_imageMO; }
    /// The shown record's document, or null.
    KTImageDocument *document() const { return m_document.get(); }
    /// Shows `image`: nothing when it is the record shown or another record of the same file;
    /// a record whose file is missing shows an empty panel.
    void setImageMO(KTImageMO *image);
    /// Clears the panel and asks for the shown record's preview; while the panel is hidden, only
    /// notes that it is to be done when it is shown.
    void updateView();
    /// True while the hidden panel waits to be filled when shown.
    bool isUpdatePending() const { return m_updateOnShow; }
    bool hasPendingRequest() const { return m_callbackId.has_value(); }

    bool drawsShadow() const { return m_drawsShadow; }
    void setDrawsShadow(bool draws);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    KTEntitiesManager &entities() const;
    void fillPanel();

    KTImageViewServices m_services;
    QPointer<KTImageExifView> m_exifView;
    QPointer<KTHistogramView> m_histogramView;
    KTRecordRef<KTImageMO> m_imageMO;
    std::shared_ptr<KTImageDocument> m_document;
    /// The preview once it answered (a null image when it gave none).
    std::optional<QImage> m_preview;
    bool m_drawsShadow = false;
    bool m_updateOnShow = false;
    std::optional<KTEntitiesManagerCallbackID> m_callbackId;
    KTObserverToken m_deletionObserver;
};
