#pragma once

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
/// size). Results are cached.
///
/// Threading: any thread; the registry and the cache are locked.
class KTNamedImages
{
public:
    /// Paints the picture into (0, 0, size) in logical pixels, y down.
    using Painter = std::function<void(QPainter &painter, const QSizeF &size)>;

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

private:
    struct Entry
    {
        QSizeF naturalSize;
        Painter painter;
    };
    QImage render(const QString &name, const QSizeF &size, qreal devicePixelRatio) const;

    mutable std::mutex m_mutex;
    QHash<QString, Entry> m_painters;
    mutable QHash<QString, QImage> m_cache;
};
