#include "KTScaledImageCache.h"

#include "KTConcurrentQueue.h"
#include "KTDispatch.h"

#include <utility>

KTScaledImageCache::KTScaledImageCache(std::function<void()> ready)
    : m_ready(std::move(ready)), m_self(std::make_shared<KTScaledImageCache *>(this))
{}

KTScaledImageCache::~KTScaledImageCache() = default;

bool KTScaledImageCache::isReduction(const QImage &source, const QSize &deviceSize)
{
    return !source.isNull() && !deviceSize.isEmpty() &&
           deviceSize.width() < source.width() * kLargestReduction &&
           deviceSize.height() < source.height() * kLargestReduction;
}

QImage KTScaledImageCache::scaledImage(const QImage &source, const QSize &deviceSize, Request request)
{
    Q_ASSERT(isMainThread());
    if (!isReduction(source, deviceSize))
        return {};
    const Key key{source.cacheKey(), deviceSize};
    if (key == m_key && !m_image.isNull())
        return m_image;
    if (request == Request::Withheld || key == m_wanted)
        return {};
    m_wanted = key;
    m_wantedSource = source;
    if (!m_running)
        startNext();
    return {};
}

void KTScaledImageCache::startNext()
{
    m_running = true;
    const Key key = m_wanted;
    const QImage source = std::exchange(m_wantedSource, QImage());
    std::weak_ptr<KTScaledImageCache *> weak = m_self;
    KTConcurrentQueue::global().async([source, key, weak] {
        const QImage scaled = source.scaled(key.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        postToMain([scaled, key, weak] {
            if (const auto self = weak.lock())
                (*self)->finish(key, scaled);
        });
    });
}

void KTScaledImageCache::finish(const Key &key, const QImage &scaled)
{
    m_running = false;
    if (key == m_wanted) {
        m_wanted = {};
        m_key = key;
        m_image = scaled;
        if (m_ready)
            m_ready();
    } else if (!m_wantedSource.isNull()) {
        // Another size was asked for meanwhile: only the latest is made.
        startNext();
    }
}

void KTScaledImageCache::clear()
{
    m_key = {};
    m_image = QImage();
    m_wanted = {};
    m_wantedSource = QImage();
}
