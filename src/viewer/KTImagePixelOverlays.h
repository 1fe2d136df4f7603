#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class KTOverlayImageCache;

/// The overlays a viewer computes from the full-size image of the file it shows: the clipped
/// exposure pixels and the focus mask, each kept for the last few files (by the file's number
/// and path, the focus mask also by its settings), so that stepping back to a file shows its
/// overlay without computing it again.
///
/// Threading: use on the main thread. Overlays are computed on the global concurrent queue;
/// the result comes back on the main thread, and is dropped when the receiver is gone.
class KTImagePixelOverlays
{
public:
    enum class Kind
    {
        ExposurePixels,
        FocusMask,
    };

    /// Caches holding `countLimit` overlays of each kind.
    explicit KTImagePixelOverlays(int countLimit);
    ~KTImagePixelOverlays();
    KTImagePixelOverlays(const KTImagePixelOverlays &) = delete;
    KTImagePixelOverlays &operator=(const KTImagePixelOverlays &) = delete;

    /// The overlay of `kind` for `source`, the full-size image of the file at `path` numbered
    /// `imageID` (empty: not cached, the key would not tell files apart): from the cache, else
    /// computed. `done` gets it on the main thread while `receiver` lives; the shared progress
    /// indicator turns meanwhile.
    void compute(Kind kind, const QImage &source, const QString &path, const QString &imageID,
                 QObject *receiver, std::function<void(const QImage &overlay)> done);

    const KTOverlayImageCache &cache(Kind kind) const;
    /// The focus-mask cache key: the file number, then each focus-mask setting ("_" and its
    /// value, or "_R1", "_R2", "_RS", "_T" when the setting holds no value).
    static QString focusMaskCacheKeyForImageWithID(const QString &imageID);

private:
    std::shared_ptr<KTOverlayImageCache> m_exposurePixels;
    std::shared_ptr<KTOverlayImageCache> m_focusMask;
};
