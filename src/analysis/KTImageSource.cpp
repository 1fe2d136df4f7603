#include "KTImageSource.h"

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

QString KTImageSource::description() const
{
    return isInMemory() ? QStringLiteral("<%1 bytes in memory>").arg(m_data.size()) : m_path;
}
