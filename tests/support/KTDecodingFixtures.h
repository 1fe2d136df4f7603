#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

/// Builders of small image files for the decoding tests and benchmarks: camera-like JPEGs with
/// an EXIF orientation (and optionally an EXIF thumbnail), and DNG files written by hand as
/// little-endian TIFF with an optional preview in IFD0 and the CFA data in a SubIFD.
/// Threading: plain functions without shared state.

/// The colours of the four quadrants of makeQuadrantImage(), so a test can tell how a decoded
/// image was turned: top-left, top-right, bottom-left, bottom-right.
extern const QColor kQuadrantTopLeft;
extern const QColor kQuadrantTopRight;
extern const QColor kQuadrantBottomLeft;
extern const QColor kQuadrantBottomRight;

/// An RGB image whose four quadrants have the four kQuadrant colours.
QImage makeQuadrantImage(QSize size);

/// A camera-like picture: smooth gradients with fine detail, so JPEG sizes and decode times
/// resemble a photograph's rather than a flat test card's.
QImage makePhotoLikeImage(QSize size);

/// JPEG bytes of `image` with an EXIF block holding `orientation` (1 to 8; 0 writes no EXIF)
/// and, when `exifThumbnail` is not null, that image as the EXIF (IFD1) thumbnail.
QByteArray makeJpegWithExif(const QImage &image, int orientation, int quality = 90,
                            const QImage &exifThumbnail = QImage());

enum class KTDngPreview
{
    None,
    Bitmap, // uncompressed 8-bit RGB strip
    Jpeg,   // a JPEG stream as the strip (compression 7)
};

struct KTDngOptions
{
    QSize rawSize{64, 64};
    KTDngPreview preview = KTDngPreview::Jpeg;
    QSize previewSize{64, 64};
    int orientation = 1;
    QImage previewImage; // drawn as quadrants of previewSize when null
};

/// A DNG file with Make/Model, DNGVersion and the orientation in IFD0 and 16-bit RGGB CFA data
/// of `rawSize`: in a SubIFD below the preview, or as IFD0's own image when there is no preview.
QByteArray makeDng(const KTDngOptions &options);

/// PNG bytes of `image` as Qt writes them: signature, IHDR, image data, IEND.
QByteArray makePng(const QImage &image);
/// One PNG chunk: the length of `data`, `type`, `data` and their CRC-32.
QByteArray makePngChunk(const QByteArray &type, const QByteArray &data);
/// A PNG of 16 x 16 pixels whose header claims `claimed` pixels (8-bit RGBA), with the image data
/// of the 16 x 16 one.
QByteArray makePngClaimingSize(QSize claimed);
/// A PNG of 16 x 16 pixels whose iTXt chunk, after the image data, claims 1.4 GB and holds 400
/// bytes, where the file ends; `beforeImageData` puts that chunk right after IHDR instead.
QByteArray makePngWithLyingChunk(bool beforeImageData = false);

/// Writes `bytes` to `path`; false when the file could not be written.
bool writeFileBytes(const QString &path, const QByteArray &bytes);
