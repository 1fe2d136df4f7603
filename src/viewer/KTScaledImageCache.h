#pragma once

#include <QImage>
#include <QSize>

#include <functional>
#include <memory>

/// A layer picture shrunk to the size it is drawn at, made in the background. Drawing a large
/// picture much smaller than it is costs a filtered pass over the whole target on every paint
/// and aliases fine detail; a copy scaled once with area averaging paints as a plain copy and
/// shows the photo as it is. Until the copy is ready the caller draws the picture itself.
///
/// Only real reductions get a copy (the target under 80 % of the picture on both axes); a
/// picture shown at its own size or larger is always drawn directly.
///
/// Threading: use on the main thread. Copies are made on the global concurrent queue, one at a
/// time per cache (only the latest of the sizes asked for meanwhile is made next); `ready` runs on the main
/// thread when a copy for the latest request arrives, never after the cache is gone.
class KTScaledImageCache
{
public:
    explicit KTScaledImageCache(std::function<void()> ready = {});
    ~KTScaledImageCache();
    KTScaledImageCache(const KTScaledImageCache &) = delete;
    KTScaledImageCache &operator=(const KTScaledImageCache &) = delete;

    /// The largest share of the picture's size that still counts as a reduction.
    static constexpr double kLargestReduction = 0.8;
    static bool isReduction(const QImage &source, const QSize &deviceSize);

    /// The copy of `source` at `deviceSize` when it is ready; null otherwise. When it is not,
    /// and `request` allows, a copy is asked for (once per picture and size).
    enum class Request
    {
        Allowed,
        /// Mid-animation: the size changes every frame, so nothing is made.
        Withheld,
    };
    QImage scaledImage(const QImage &source, const QSize &deviceSize, Request request);
    /// Lets go of the copy and forgets a pending request.
    void clear();
    /// Whether the copy of `source` at `deviceSize` is ready.
    bool hasCopyFor(const QImage &source, const QSize &deviceSize) const
    {
        return !m_image.isNull() && m_key == Key{source.cacheKey(), deviceSize};
    }

private:
    struct Key
    {
        qint64 source = 0;
        QSize size;
        bool operator==(const Key &) const = default;
    };

    void startNext();
    void finish(const Key &key, const QImage &scaled);

    std::function<void()> m_ready;
    Key m_key;
    QImage m_image;
    /// The latest copy asked for, and its picture until a job takes it.
    Key m_wanted;
    QImage m_wantedSource;
    bool m_running = false;
    std::shared_ptr<KTScaledImageCache *> m_self;
};
