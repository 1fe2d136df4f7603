#include "KTFirstThumbnailStore.h"

#include "KTThumbnailEntity.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>

#include <algorithm>
#include <cmath>

namespace {

// The quality of every thumbnail entity's data.
constexpr int kJPEGQuality = 100;

int64_t bytesOf(const QImage &image)
{
    return int64_t(image.sizeInBytes());
}

} // namespace

KTFirstThumbnailStore &KTFirstThumbnailStore::sharedStore()
{
    static KTFirstThumbnailStore store;
    return store;
}

void KTFirstThumbnailStore::keep(const QString &path, const QImage &decoded, bool isWhole)
{
    if (decoded.isNull())
        return;
    const int longest = std::max(decoded.width(), decoded.height());
    if (!isWhole && longest < kMinThumbnailSize)
        return;
    QImage thumbnail = decoded;
    if (longest > kMinThumbnailSize) {
        const double scale = kMinThumbnailSize / longest;
        thumbnail = decoded.scaled(std::max(1, int(std::lround(decoded.width() * scale))),
                                   std::max(1, int(std::lround(decoded.height() * scale))),
                                   Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    const QFileInfo info(path);
    Entry entry{thumbnail, info.size(), info.lastModified()};
    std::lock_guard lock(m_lock);
    if (auto found = m_entries.find(path); found != m_entries.end()) {
        m_bytes -= bytesOf(found->thumbnail);
        m_entries.erase(found);
        m_order.erase(std::find(m_order.begin(), m_order.end(), path));
    }
    m_bytes += bytesOf(entry.thumbnail);
    m_entries.insert(path, std::move(entry));
    m_order.push_back(path);
    while (m_bytes > kByteLimit && !m_order.empty())
        dropOldest();
}

QByteArray KTFirstThumbnailStore::takeJPEGData(const QString &path, double size)
{
    if (size != kMinThumbnailSize)
        return {};
    Entry entry;
    {
        std::lock_guard lock(m_lock);
        const auto found = m_entries.find(path);
        if (found == m_entries.end())
            return {};
        entry = std::move(found.value());
        m_entries.erase(found);
        m_order.erase(std::find(m_order.begin(), m_order.end(), path));
        m_bytes -= bytesOf(entry.thumbnail);
    }
    const QFileInfo info(path);
    if (info.size() != entry.fileSize || info.lastModified() != entry.modified)
        return {};
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(kJPEGQuality);
    return writer.write(entry.thumbnail) ? data : QByteArray();
}

void KTFirstThumbnailStore::clear()
{
    std::lock_guard lock(m_lock);
    m_entries.clear();
    m_order.clear();
    m_bytes = 0;
}

int KTFirstThumbnailStore::count() const
{
    std::lock_guard lock(m_lock);
    return int(m_entries.size());
}

void KTFirstThumbnailStore::dropOldest()
{
    const QString oldest = m_order.front();
    m_order.pop_front();
    if (auto found = m_entries.find(oldest); found != m_entries.end()) {
        m_bytes -= bytesOf(found->thumbnail);
        m_entries.erase(found);
    }
}
