#include "KTNamedImages.h"

#include "KTIndicatorImagePainters.h"
#include "KTNamedImagePainters.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace {

QString svgPath(const QString &name)
{
    return QStringLiteral(":/images/") + name + QStringLiteral(".svg");
}

} // namespace

KTNamedImages &KTNamedImages::shared()
{
    static KTNamedImages *images = [] {
        auto *registry = new KTNamedImages;
        registerBuiltInPainters(*registry);
        registerIndicatorPainters(*registry);
        return registry;
    }();
    return *images;
}

KTNamedImages::KTNamedImages() = default;

bool KTNamedImages::contains(const QString &name) const
{
    return !naturalSize(name).isEmpty();
}

QSizeF KTNamedImages::naturalSize(const QString &name) const
{
    if (name.isEmpty())
        return {};
    {
        std::lock_guard lock(m_mutex);
        const auto known = m_naturalSizes.constFind(name);
        if (known != m_naturalSizes.constEnd())
            return *known;
    }
    // Parsed outside the lock; two threads may both parse a name once.
    QSizeF size;
    if (QFile::exists(svgPath(name))) {
        QSvgRenderer renderer(svgPath(name));
        if (renderer.isValid())
            size = renderer.defaultSize();
    }
    std::lock_guard lock(m_mutex);
    if (size.isEmpty()) {
        const auto found = m_painters.constFind(name);
        if (found != m_painters.constEnd())
            size = found->naturalSize;
    }
    m_naturalSizes.insert(name, size);
    return size;
}

QImage KTNamedImages::image(const QString &name, qreal devicePixelRatio) const
{
    return image(name, naturalSize(name), devicePixelRatio);
}

QImage KTNamedImages::image(const QString &name, const QSizeF &size, qreal devicePixelRatio) const
{
    if (name.isEmpty() || size.isEmpty() || !(devicePixelRatio > 0))
        return {};
    RenderingKey key{name, size, devicePixelRatio};
    {
        std::lock_guard lock(m_mutex);
        if (const QImage *cached = m_cache.object(key))
            return *cached;
    }
    QImage result = render(name, size, devicePixelRatio);
    if (!result.isNull()) {
        std::lock_guard lock(m_mutex);
        const auto cost = std::max<qsizetype>(1, result.sizeInBytes() / 1024);
        m_cache.insert(std::move(key), new QImage(result), cost);
    }
    return result;
}

QImage KTNamedImages::render(const QString &name, const QSizeF &size, qreal devicePixelRatio) const
{
    QSvgRenderer svg;
    Painter painter;
    if (!QFile::exists(svgPath(name)) || !svg.load(svgPath(name))) {
        std::lock_guard lock(m_mutex);
        const auto found = m_painters.constFind(name);
        if (found == m_painters.constEnd())
            return {};
        painter = found->painter;
    }
    const QSize pixels(std::max(1, int(std::ceil(size.width() * devicePixelRatio - 1e-6))),
                       std::max(1, int(std::ceil(size.height() * devicePixelRatio - 1e-6))));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(devicePixelRatio);
    QPainter canvas(&image);
    canvas.setRenderHint(QPainter::Antialiasing);
    if (painter)
        painter(canvas, size);
    else
        svg.render(&canvas, QRectF(QPointF(0, 0), size));
    return image;
}

void KTNamedImages::registerPainter(const QString &name, const QSizeF &naturalSize, Painter painter)
{
    std::lock_guard lock(m_mutex);
    m_painters.insert(name, Entry{naturalSize, std::move(painter)});
    forget(name);
}

void KTNamedImages::unregisterPainter(const QString &name)
{
    std::lock_guard lock(m_mutex);
    m_painters.remove(name);
    forget(name);
}

void KTNamedImages::forget(const QString &name)
{
    m_naturalSizes.remove(name);
    const QList<RenderingKey> keys = m_cache.keys();
    for (const RenderingKey &key : keys) {
        if (key.name == name)
            m_cache.remove(key);
    }
}

qsizetype KTNamedImages::cachedBytes() const
{
    std::lock_guard lock(m_mutex);
    return qsizetype(m_cache.totalCost()) * 1024;
}

QStringList KTNamedImages::names() const
{
    QStringList result;
    for (const QString &file : QDir(QStringLiteral(":/images")).entryList({QStringLiteral("*.svg")}))
        result.append(file.chopped(4));
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_painters.constBegin(); it != m_painters.constEnd(); ++it) {
            if (!result.contains(it.key()))
                result.append(it.key());
        }
    }
    result.sort();
    return result;
}
