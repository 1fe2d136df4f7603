#include "KTImageViewImagePreparator.h"

#include "KTDispatch.h"
#include "KTSerialQueue.h"

#include <QThread>

namespace {

KTSerialQueue &preparationQueue()
{
    static KTSerialQueue queue{QString()};
    return queue;
}

} // namespace

KTImageViewImagePreparator::KTImageViewImagePreparator()
    : m_self(std::make_shared<KTImageViewImagePreparator *>(this))
{}

KTImageViewImagePreparator::~KTImageViewImagePreparator() = default;

bool KTImageViewImagePreparator::isPrepared(const QImage &image)
{
    return image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32_Premultiplied;
}

QImage KTImageViewImagePreparator::preparedImage(const QImage &image)
{
    if (image.isNull() || isPrepared(image))
        return image;
    QImage prepared = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                    : QImage::Format_RGB32);
    prepared.setDevicePixelRatio(image.devicePixelRatio());
    return prepared;
}

void KTImageViewImagePreparator::prapareImage(Callback callback)
{
    Q_ASSERT(isMainThread());
    if (m_processing) {
        m_queuedCallback = std::move(callback);
        return;
    }
    if (m_image.isNull())
        return;
    if (isPrepared(m_image)) {
        callback(m_image);
        return;
    }
    m_processing = true;
    m_runningCallback = std::move(callback);
    const QImage source = m_image;
    std::weak_ptr<KTImageViewImagePreparator *> weak = m_self;
    preparationQueue().async([source, weak] {
        QImage prepared = preparedImage(source);
        postToMain([source, prepared = std::move(prepared), weak] {
            if (const auto self = weak.lock())
                (*self)->finishPreparation(source, prepared);
        });
    });
}

void KTImageViewImagePreparator::finishPreparation(const QImage &source, const QImage &prepared)
{
    Callback callback = std::move(m_runningCallback);
    m_runningCallback = nullptr;
    if (m_image.cacheKey() == source.cacheKey() && callback)
        callback(prepared);
    m_processing = false;
    if (Callback waiting = std::move(m_queuedCallback)) {
        m_queuedCallback = nullptr;
        prapareImage(std::move(waiting));
    }
}
