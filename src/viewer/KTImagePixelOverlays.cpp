#include "KTImagePixelOverlays.h"

#include "KTConcurrentQueue.h"
#include "KTDispatch.h"
#include "KTFocusMaskDefaults.h"
#include "KTIndeterminateProgressIndicatorController.h"
#include "KTOverlayImageCache.h"
#include "KTPixelUtils.h"
#include "KTUserDefaults.h"

KTImagePixelOverlays::KTImagePixelOverlays(int countLimit)
    : m_exposurePixels(std::make_shared<KTOverlayImageCache>(countLimit)),
      m_focusMask(std::make_shared<KTOverlayImageCache>(countLimit))
{}

KTImagePixelOverlays::~KTImagePixelOverlays() = default;

const KTOverlayImageCache &KTImagePixelOverlays::cache(Kind kind) const
{
    return kind == Kind::ExposurePixels ? *m_exposurePixels : *m_focusMask;
}

QString KTImagePixelOverlays::focusMaskCacheKeyForImageWithID(const QString &imageID)
{
    const KTUserDefaults &defaults = KTUserDefaults::standardUserDefaults();
    QString key = imageID;
    const std::pair<QString, QString> settings[] = {{kFocusMaskRadius1DefaultsKey, QStringLiteral("_R1")},
                                                    {kFocusMaskRadius2DefaultsKey, QStringLiteral("_R2")},
                                                    {kFocusMaskRegionSizeDefaultsKey, QStringLiteral("_RS")},
                                                    {kFocusMaskThresholdDefaultsKey, QStringLiteral("_T")}};
    for (const auto &[name, absent] : settings) {
        const QVariant value = defaults.objectForKey(name);
        key += value.isValid() ? QStringLiteral("_") + value.toString() : absent;
    }
    return key;
}

void KTImagePixelOverlays::compute(Kind kind, const QImage &source, const QString &path,
                                   const QString &imageID, QObject *receiver,
                                   std::function<void(const QImage &overlay)> done)
{
    KTIndeterminateProgressIndicatorController::sharedController().startAnimation();
    const std::shared_ptr<KTOverlayImageCache> cache =
        kind == Kind::ExposurePixels ? m_exposurePixels : m_focusMask;
    // The key is made here: the focus-mask settings are read on the main thread.
    QString key;
    if (!imageID.isEmpty())
        key = kind == Kind::ExposurePixels ? imageID : focusMaskCacheKeyForImageWithID(imageID);
    KTConcurrentQueue::global().async(
        [guard = QPointer<QObject>(receiver), kind, source, path, key, cache, done = std::move(done)] {
            QImage result = cache->image(key, path);
            if (result.isNull()) {
                result = kind == Kind::ExposurePixels ? KTPixelUtils::exposurePixelsImageFromImage(source)
                                                      : KTPixelUtils::focusMaskImageFromImage(source);
                cache->insert(key, path, result);
            }
            postToMain([guard, done, result] {
                if (guard)
                    done(result);
                KTIndeterminateProgressIndicatorController::sharedController().stopAnimation();
            });
        });
}
