#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QString>

#include <memory>

/// The encoded bytes of one image, in a file or in memory, from which Qt's readers decode it.
/// Holds no decoded pixels, so many sources can be alive at once without holding images.
///
/// Threading: a source is immutable after set-up and may be shared between threads; each reader
/// made by newReader() belongs to the thread that uses it.
class KTImageSource
{
public:
    /// A source over the file at `path`; the file is opened by each reader.
    static KTImageSource fromPath(const QString &path);
    /// A source over `data` (shared, not copied).
    static KTImageSource fromData(const QByteArray &data);

    const QString &path() const { return m_path; }
    const QByteArray &data() const { return m_data; }
    bool isInMemory() const { return m_path.isEmpty(); }

    /// The EXIF orientation (1 to 8) that makes the picture upright when the encoded image
    /// carries none of its own: a RAW file's preview is often stored sideways without a tag,
    /// while the RAW file itself knows its orientation. 1 unless set.
    int fallbackOrientation() const { return m_fallbackOrientation; }
    void setFallbackOrientation(int orientation);

    /// A reader with the device it reads from; the buffer is unused for a file source.
    struct Reader
    {
        QBuffer buffer;
        QImageReader reader; // declared last, so it lets go before the buffer goes
    };

    /// A new reader positioned at the start of the image, without automatic orientation.
    std::unique_ptr<Reader> newReader() const;

    /// False for a PNG whose chunks, walked from the signature to IEND, claim more bytes than
    /// the file holds: libpng allocates what a chunk claims before it finds the file short, so
    /// such a file must never reach a reader. True for anything else (other formats, an
    /// unreadable file, a PNG cut short between chunks). Reads only the chunk headers.
    bool hasPlausibleChunks() const;

    /// A short name for log lines: the path, or "<n bytes in memory>".
    QString description() const;

private:
    QString m_path;
    QByteArray m_data;
    int m_fallbackOrientation = 1;
};
