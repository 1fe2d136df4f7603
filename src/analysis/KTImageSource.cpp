#include "KTImageSource.h"

#include <QFile>

#include <cstring>

namespace {

quint32 bigEndian32(const uchar *bytes)
{
    return quint32(bytes[0]) << 24 | quint32(bytes[1]) << 16 | quint32(bytes[2]) << 8 | quint32(bytes[3]);
}

// Walks the chunk headers of `size` bytes; see hasPlausibleChunks.
bool chunksFit(const uchar *bytes, qint64 size)
{
    static constexpr uchar kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (size < qint64(sizeof kSignature) || std::memcmp(bytes, kSignature, sizeof kSignature) != 0)
        return true;
    qint64 offset = sizeof kSignature;
    // Length and type; the data and a four-byte CRC follow.
    while (offset + 8 <= size) {
        const quint32 length = bigEndian32(bytes + offset);
        // The format's own bound on a chunk, then what is left of the file.
        if (length > 0x7fffffffu || qint64(length) + 12 > size - offset)
            return false;
        if (std::memcmp(bytes + offset + 4, "IEND", 4) == 0)
            return true;
        offset += qint64(length) + 12;
    }
    return true;
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
