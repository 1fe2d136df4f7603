#include "KTImageSource.h"

#include "KTImageFileCheck.h"

#include <QFile>

namespace {

// False for PNG bytes with a chunk that claims more than they hold; see hasPlausibleChunks.
bool chunksFit(const uchar *bytes, qint64 size)
{
    return KTImageFileCheck::pngChunks(bytes, size) != KTImageFileCheck::PngChunks::Overrun;
}

} // namespace

KTImageSource KTImageSource::fromPath(const QString &path)
{
    KTImageSource source;
    source.m_path = path;
    return source;
}

KTImageSource KTImageSource::fromData(const QByteArray &data)
{
    KTImageSource source;
    source.m_data = data;
    return source;
}

void KTImageSource::setFallbackOrientation(int orientation)
{
    m_fallbackOrientation = (orientation >= 1 && orientation <= 8) ? orientation : 1;
}

std::unique_ptr<KTImageSource::Reader> KTImageSource::newReader() const
{
    auto reader = std::make_unique<Reader>();
    if (isInMemory()) {
        reader->buffer.setData(m_data);
        reader->buffer.open(QIODevice::ReadOnly);
        reader->reader.setDevice(&reader->buffer);
    } else {
        reader->reader.setFileName(m_path);
    }
    reader->reader.setAutoTransform(false);
    return reader;
}

bool KTImageSource::hasPlausibleChunks() const
{
    if (isInMemory())
        return chunksFit(reinterpret_cast<const uchar *>(m_data.constData()), m_data.size());
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || !file.peek(8).startsWith("\x89PNG\r\n\x1a\n"))
        return true;
    // Mapped, so that only the pages holding chunk headers are read.
    if (const uchar *mapped = file.map(0, file.size()))
        return chunksFit(mapped, file.size());
    const QByteArray bytes = file.readAll();
    return chunksFit(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size());
}

QString KTImageSource::description() const
{
    return isInMemory() ? QStringLiteral("<%1 bytes in memory>").arg(m_data.size()) : m_path;
}
