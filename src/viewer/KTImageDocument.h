#pragma once

#include "KTEntitiesManagerCallbackID.h"
#include "KTImageViewImagePreparator.h"
#include "KTImageViewServices.h"
#include "KTRecordRef.h"

#include <QImage>
#include <QObject>
#include <QSizeF>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <memory>
#include <optional>

class KTFullSizeImageCache;
class KTImageDecodeQueue;
class KTImageMO;

/// One image record as the viewers show it, read once and shared by every view that shows the
/// record: the viewer, its information strip, the info bar and the EXIF panel hold the same
/// document (forImage()) and follow its signals; it lives while one of them holds it.
///
/// What it holds:
/// - the record, through its handle (null once the record is gone), and the path, name, URL and
///   uuid the record had when the document was made; every result is for that file;
/// - the file's properties and the texts the views make of them (properties()), read off the
///   main thread once, when the document is made. Until they arrive properties() is empty and
///   hasProperties() false; a file that cannot be read gives empty properties, delivered all the
///   same (propertiesLoaded());
/// - the pictures of the loading stages: the 100-pixel thumbnail and the largest view-sized
///   preview asked for so far (from the entities manager), and the full-size image, decoded and
///   prepared once for every view of the record (or taken from the process-wide cache of the
///   five last full-size images).
///
/// Built so that a read-ahead can make the documents of the records around the one on screen
/// and start their stages with no view; overlays computed from the full-size image can be kept
/// here, so that the views of one record, and a shared budget, see them once.
///
/// Threading: main thread only. Properties are read on the services' worker, full-size images
/// decoded one at a time on the document's own queue and prepared on the preparators' queue;
/// results come back on the main thread and are dropped once the document is gone. Destroying
/// it withdraws its requests and waits for nothing.
class KTImageDocument : public QObject
{
    Q_OBJECT
public:
    /// What the views show of the file's properties, made together off the main thread.
    struct Properties
    {
        /// The file's image properties; empty when the file could not be read.
        QVariantMap metadata;
        /// The upright picture's size in pixels (orientation applied); a side read as 0 counts
        /// 300. Empty without properties.
        QSizeF layerSize;
        /// "6000x4000"; empty without a size.
        QString pixelSize;
        /// The shooting date of the EXIF, else the file's creation date, in the medium styles;
        /// empty without properties.
        QString date;
        /// The information strip's camera settings ("ISO 400, 105mm, 1/250 sec, f/5.6").
        QString cameraLine;
        /// The info bar's row: the short date, the pixel size, ISO, focal length, f-number and
        /// exposure time, each when present.
        QStringList infoBarStrings;
        /// The file's own colour profile, else what its EXIF ColorSpace says; empty when the
        /// file says nothing about it.
        QString colorSpaceName;
    };

    /// The size of the thumbnail stage.
    static constexpr double kLowResPreviewSize = 100.0;
    /// The wait before an asynchronous full-size load, in seconds.
    static constexpr double kReloadImageDelay = 0.01;
    static constexpr int kFullSizeCacheLimit = 5;
    /// The pixels the shared full-size cache keeps at most: three 24-megapixel photos.
    static constexpr qint64 kFullSizeCacheByteLimit = 300ll * 1000 * 1000;

    /// The document of `image`: the one some view holds already, else a new one made with
    /// `services` (whose properties read starts now). Null for a null record.
    static std::shared_ptr<KTImageDocument> forImage(KTImageMO *image,
                                                     const KTImageViewServices &services = {});
    /// Reads what Properties holds from the file at `path`. Safe on any thread; blocks on the file.
    static Properties readProperties(const QString &path);
    /// The full-size images of all documents, keyed by path (five at most).
    static KTFullSizeImageCache &imageCache();

    ~KTImageDocument() override;

    /// The record, or null once it is gone.
    KTImageMO *imageMO() const { return m_imageMO; }
    QString path() const { return m_path; }
    QString uuid() const { return m_uuid; }
    QString imageName() const { return m_imageName; }
    QUrl imageURL() const { return m_imageURL; }

    bool hasProperties() const { return m_hasProperties; }
    const Properties &properties() const { return m_properties; }

    /// The thumbnail, once loaded; loadLowResPreview() asks for it (again only after a request
    /// that gave nothing).
    QImage lowResPreview() const { return m_lowResPreview; }
    void loadLowResPreview();
    void cancelLoadingLowResPreview();
    /// How urgent a preview is: for a view showing the record, or read ahead of it.
    enum class Priority
    {
        Shown,
        /// Behind every request for a shown picture; raised once a view asks for the same size.
        ReadAhead,
    };
    /// The largest preview loaded so far; loadPreview() asks for one at least `size` points
    /// large (the entities manager rounds up its size ladder), unless one as large is here or
    /// on its way. A larger request replaces a smaller one still pending.
    QImage preview() const { return m_preview; }
    void loadPreview(double size, Priority priority = Priority::Shown);
    void cancelLoadingPreview();
    /// True when a preview of `size` is here or in the entities manager's memory: asking for it
    /// answers before loadPreview() returns.
    bool hasPreviewInMemory(double size) const;

    /// The full-size image once decoded and prepared, else null.
    QImage image() const { return m_image; }
    /// When the full-size load starts.
    enum class Load
    {
        Now,
        /// After 10 ms on the main queue.
        AfterDelay,
    };
    /// Loads the full-size image: from the shared cache at once, else decoded on the document's
    /// queue (a decode of the file already on its way is not asked for twice). Nothing without a
    /// path, while the record's file is missing, or once the image is here.
    void loadImage(Load when);
    /// True while a full-size decode is queued or running.
    bool isLoadingImage() const { return m_pendingDecodes > 0; }

signals:
    void propertiesLoaded();
    void lowResPreviewLoaded();
    void previewLoaded();
    void imageLoaded();
    /// A decode started (the view shows its "Loading..." badge) or ended with or without an image.
    void imageLoadingChanged(bool loading);

private:
    KTImageDocument(KTImageMO *image, const KTImageViewServices &services);
    void startReadingProperties();
    /// Asks the entities manager for the picture of `size`; `pending` holds the token until the
    /// answer, which `arrived` takes unless it is empty.
    void requestPicture(double size, std::optional<KTEntitiesManagerCallbackID> &pending,
                        void (*arrived)(KTImageDocument &, const QImage &));
    void decodeImage();
    void displayImage(const QImage &image);
    bool recordFileExists() const;

    KTImageViewServices m_services;
    KTRecordRef<KTImageMO> m_imageMO;
    QString m_path;
    QString m_uuid;
    QString m_imageName;
    QUrl m_imageURL;
    bool m_hasProperties = false;
    Properties m_properties;

    QImage m_lowResPreview;
    std::optional<KTEntitiesManagerCallbackID> m_lowResPreviewRequest;
    QImage m_preview;
    std::optional<KTEntitiesManagerCallbackID> m_previewRequest;
    double m_previewRequestSize = 0;
    Priority m_previewRequestPriority = Priority::Shown;

    QImage m_image;
    KTImageViewImagePreparator m_preparator;
    std::unique_ptr<KTImageDecodeQueue> m_decodeQueue;
    int m_pendingDecodes = 0;
};
