#pragma once

#include "KTEntitiesManagerCallbackID.h"
#include "KTNotificationCenter.h"
#include "KTRecordRef.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class KTEntitiesManager;
class KTHistogramView;
class KTImageExifView;
class KTImageMO;

/// Feeds the EXIF panel of a review mode: for the active image it asks for a 300-pixel preview
/// and, when it arrives, fills the panel from the file's properties and the preview (its colour
/// space and its histogram). Each new record clears the panel at once; the values appear when
/// the preview answers. A request still pending when another record arrives is withdrawn.
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

    /// `entities` null: the shared entities manager.
    explicit KTExifViewController(KTEntitiesManager *entities = nullptr, QObject *parent = nullptr);
    ~KTExifViewController() override;
    static std::unique_ptr<KTExifViewController> controller()
    {
        return std::make_unique<KTExifViewController>();
    }

    KTImageExifView *exifView() const;
    KTHistogramView *histogramView() const;

    KTImageMO *imageMO() const { return m_imageMO; }
    /// Shows `image`: nothing when it is the record shown or another record of the same file;
    /// a record whose file is missing shows an empty panel.
    void setImageMO(KTImageMO *image);
    /// Clears the panel and asks for the shown record's preview.
    void updateView();
    bool hasPendingRequest() const { return m_callbackId.has_value(); }

    bool drawsShadow() const { return m_drawsShadow; }
    void setDrawsShadow(bool draws);

private:
    KTEntitiesManager &entities() const;

    KTEntitiesManager *m_entities = nullptr;
    QPointer<KTImageExifView> m_exifView;
    QPointer<KTHistogramView> m_histogramView;
    KTRecordRef<KTImageMO> m_imageMO;
    bool m_drawsShadow = false;
    std::optional<KTEntitiesManagerCallbackID> m_callbackId;
    KTObserverToken m_deletionObserver;
};
