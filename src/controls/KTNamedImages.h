#pragma once

#include <QCache>
#include <QHash>
#include <QImage>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>

class QPainter;

/// The pictures of the controls, by name ("btn_left", "tab_select_on_center", "flag_on"...).
///
/// A name is looked up first as an SVG drawing of ours compiled in as the Qt resource
/// ":/images/<name>.svg" (the files under resources/images/; a new file there is picked up at the
/// next CMake configure), then among the painters registered in code (three-part caps and other
/// pictures easier to compute). A name known to neither answers a null image, so the "missing
/// image" paths of the controls stay testable.
///
/// Pictures are rendered at the size asked for and the device pixel ratio given, so they stay
/// sharp at 2x; the returned image carries that ratio (deviceIndependentSize() is the logical
/// size). Renderings are cached by name, size and ratio, the least recently used dropped beyond
/// kCacheLimitBytes (controls stretched to a window's width ask for a new size at every step of a
/// resize); an SVG's natural size is read once.
///
/// Threading: any thread; the registry and the cache are locked.
class KTNamedImages
{
public:
    /// Paints the picture into (0, 0, size) in logical pixels, y down.
    using Painter = std::function<void(QPainter &painter, const QSizeF &size)>;

    /// The bytes of renderings the cache keeps at most.
    static constexpr qsizetype kCacheLimitBytes = 32 * 1024 * 1024;

    /// The registry with the built-in painters.
    static KTNamedImages &shared();

    KTNamedImages();

    bool contains(const QString &name) const;
    /// The size the picture has when none is asked for; empty for an unknown name.
    QSizeF naturalSize(const QString &name) const;
    /// The picture at its natural size.
    QImage image(const QString &name, qreal devicePixelRatio = 1.0) const;
    /// The picture stretched to `size` (logical pixels); null for an unknown name or empty size.
    QImage image(const QString &name, const QSizeF &size, qreal devicePixelRatio = 1.0) const;

    /// Adds or replaces a painted picture. An SVG of the same name still wins.
    void registerPainter(const QString &name, const QSizeF &naturalSize, Painter painter);
    /// Removes a painted picture (tests).
    void unregisterPainter(const QString &name);
    /// Every name known, SVGs and painters, sorted.
    QStringList names() const;
    /// The bytes of the renderings cached now, counted in whole kilobytes.
    qsizetype cachedBytes() const;

private:
    struct Entry
    {
        QSizeF naturalSize;
        Painter painter;
    };
    struct RenderingKey
    {
        QString name;
        QSizeF size;
        qreal devicePixelRatio = 1;
        bool operator==(const RenderingKey &) const = default;
        friend size_t qHash(const RenderingKey &key, size_t seed = 0)
        {
            return qHashMulti(seed, key.name, key.size.width(), key.size.height(), key.devicePixelRatio);
        }
    };
    QImage render(const QString &name, const QSizeF &size, qreal devicePixelRatio) const;
    /// Drops what is known of `name`; the lock must be held.
    void forget(const QString &name);

    mutable std::mutex m_mutex;
    QHash<QString, Entry> m_painters;
    /// Costs are kilobytes.
    mutable QCache<RenderingKey, QImage> m_cache{int(kCacheLimitBytes / 1024)};
    mutable QHash<QString, QSizeF> m_naturalSizes;
};
