#include "KTSignatureMaker.h"

#include "KTDictionaryExif.h"
#include "KTFilesManager.h"
#include "KTFirstThumbnailStore.h"
#include "KTHashing.h"
#include "KTImageDifference.h"
#include "KTImageProcessing.h"
#include "KTImageProperties.h"
#include "KTImageUtils.h"
#include "KTPropertyList.h"
#include "KTSaveNResize.h"
#include "RDFX_HistEq.h"

#include <QDebug>
#include <QFileInfo>

#include <cmath>
#include <cstring>
#include <vector>

std::unique_ptr<KTImageSignature>
CreateHashFromImagePath(const QString &path, const KTSearchSettings &settings, KTSignaturePreview preview)
{
    if (!settings.hasValidImageSize() || path.isEmpty() || !QFileInfo(path).isFile())
        return nullptr;
    const int side = 2 * settings.imageSize;
    if (preview == KTSignaturePreview::Yes) {
        // A JPEG decodes once, at the smallest DCT scale that still covers twice the side.
        const QImage covering = KTImageUtils::jpegImageCoveringSide(path, side);
        if (!covering.isNull()) {
            // A decode short of the side is the whole picture.
            const bool whole = std::min(covering.width(), covering.height()) < side;
            KTFirstThumbnailStore::sharedStore().keep(path, covering, whole);
            auto signature = KTImageSignature::create();
            if (!CreateHashFromCGImageRef(covering, *signature, settings))
                return nullptr;
            return signature;
        }
    }
    QImage image = cgImageRefFromPath(path, preview, side, side);
    if (image.isNull())
        return nullptr;
    if (image.width() < side || image.height() < side) {
        // A thumbnail fitted into side x side is short on one axis; ask for a longer side so the
        // short axis reaches the signature's double size too.
        const int longer = int(double(side) * image.width() / image.height());
        image = cgImageRefFromPath(path, preview, longer, longer);
        if (image.isNull())
            return nullptr;
    }
    auto signature = KTImageSignature::create();
    if (!CreateHashFromCGImageRef(image, *signature, settings))
        return nullptr;
    return signature;
}

QImage cgImageRefFromPath(const QString &path, KTSignaturePreview preview, int width, int height)
{
    QImage image;
    if (width > 0 && height > 0) {
        if (preview == KTSignaturePreview::Yes) {
            const QByteArray data = KTImageUtils::thumbnailJPEGDataFromImageAtPath(path, width);
            if (!data.isEmpty())
                image = QImage::fromData(data);
        } else {
            const QImage full = KTImageUtils::imageFromRawQuick(path);
            if (!full.isNull())
                image = KTSaveNResize::imageResize(full, QSizeF(width, height));
        }
    }
    if (image.isNull())
        qWarning().noquote()
            << QStringLiteral("Can't create signature with path %1! It's not an image!").arg(path);
    return image;
}

bool CreateHashFromCGImageRef(const QImage &image, KTImageSignature &signature,
                              const KTSearchSettings &settings)
{
    if (image.isNull() || !settings.hasValidImageSize())
        return false;
    const int side = settings.imageSize;
    // Device RGB, 8 bits a channel, the fourth byte unused; stretched to the square (scaled
    // first, so the conversion runs over N x N pixels only).
    const QImage thumbnail = image.scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                 .convertToFormat(QImage::Format_RGBX8888);
    std::vector<uint8_t> rgba(std::size_t(side) * std::size_t(side) * 4);
    for (int y = 0; y < side; ++y)
        std::memcpy(rgba.data() + std::size_t(y) * side * 4, thumbnail.constScanLine(y),
                    std::size_t(side) * 4);
    return CreateHashFromRGBA(rgba.data(), side, side, signature, settings);
}

bool CreateHashFromRGBA(const uint8_t *rgba, int width, int height, KTImageSignature &signature,
                        const KTSearchSettings &settings)
{
    if (!settings.hasValidImageSize() || !rgba || width <= 0 || height <= 0) {
        qWarning().noquote() << QStringLiteral("Error: cannot make a signature of %1 x %2 pixels at side %3.")
                                    .arg(width)
                                    .arg(height)
                                    .arg(settings.imageSize);
        return false;
    }
    const int side = settings.imageSize;
    auto *thumbnail = reinterpret_cast<KTPixelRGBA *>(signature.pixels);
    signature.imageType = KTImageSignature::kImageTypeRGBA;
    signature.size = uint32_t(side);
    convertKTPixelRGBAto(reinterpret_cast<const KTPixelRGBA *>(rgba), std::size_t(width), std::size_t(height),
                         thumbnail, std::size_t(side), std::size_t(side), KTImageRGBA);
    if (settings.isUseColor && settings.colorSensitivity != 100.0) {
        desaturateImage(thumbnail, thumbnail, std::size_t(side), std::size_t(side), 4,
                        float(settings.colorSensitivity * 0.01));
    }
    if (settings.isUseHistEq)
        RDFX_HistEq_UCHAR(thumbnail, thumbnail, unsigned(side), side, 8, 256, 5.0f);
    if (settings.isUseContrastScretching)
        contrastStrechImage(thumbnail, thumbnail, std::size_t(side), std::size_t(side), 4);
    if (settings.isUseBlur) {
        // The radius is clamped to the thumbnail's side: a larger tent changes nothing more, and a
        // huge or negative value would overflow the kernel's arithmetic.
        const uint32_t blurSide = settings.clampedBlurSide();
        blurImage(thumbnail, thumbnail, std::size_t(side), std::size_t(side), blurSide, blurSide, 4);
    }
    return true;
}

QVariantMap metadataDictionaryFromPath(const QString &path)
{
    return KTImageProperties::propertiesAtPath(path);
}

void FillSignatureMetadataFromFile(KTImageSignature *signature, const QString &path)
{
    if (!signature)
        return;
    signature->exposureTime = -1.0;
    signature->exposureBias = -1.0;
    signature->fNumber = -1.0;
    signature->shotTime = -1.0;
    signature->focalLength = -1;
    signature->exposureProgram = -1;
    signature->flashFired = -1;
    std::memset(signature->lensModel, 0, KTImageSignature::kTextSize);
    std::memset(signature->exifDigest, 0, KTImageSignature::kTextSize);

    const QVariantMap properties = metadataDictionaryFromPath(path);
    const QVariantMap exif = properties.value(kImagePropertyExifDictionary).toMap();
    if (properties.contains(kImagePropertyExifDictionary)) {
        // Any stable serialisation serves: the property list of the dictionary, keys in order.
        KTImageSignature::setText(signature->exifDigest, md5String(KTPropertyList::toXml(exif)));
        if (exif.contains(kImagePropertyExifExposureTime))
            signature->exposureTime = exif.value(kImagePropertyExifExposureTime).toDouble();
        if (exif.contains(kImagePropertyExifExposureBiasValue))
            signature->exposureBias = exif.value(kImagePropertyExifExposureBiasValue).toDouble();
        if (exif.contains(kImagePropertyExifFNumber))
            signature->fNumber = exif.value(kImagePropertyExifFNumber).toDouble();
        if (exif.contains(kImagePropertyExifExposureProgram))
            signature->exposureProgram = int8_t(exif.value(kImagePropertyExifExposureProgram).toInt());
        if (exif.contains(kImagePropertyExifFocalLength))
            signature->focalLength = int16_t(exif.value(kImagePropertyExifFocalLength).toInt());
        if (exif.contains(kImagePropertyExifLensModel))
            KTImageSignature::setText(signature->lensModel,
                                      exif.value(kImagePropertyExifLensModel).toString());
        if (exif.contains(kImagePropertyExifFlash))
            signature->flashFired = int8_t(exif.value(kImagePropertyExifFlash).toInt() & 1);
        const QDateTime shot =
            KTDictionaryExif::dateFromExifString(exif.value(kImagePropertyExifDateTimeOriginal).toString());
        if (shot.isValid())
            signature->shotTime = double(shot.toMSecsSinceEpoch()) / 1000.0;
    }

    std::memset(signature->cameraModel, 0, KTImageSignature::kTextSize);
    const QVariantMap tiff = properties.value(kImagePropertyTIFFDictionary).toMap();
    if (tiff.contains(kImagePropertyTIFFModel))
        KTImageSignature::setText(signature->cameraModel, tiff.value(kImagePropertyTIFFModel).toString());

    signature->fileCreationTime = -1.0;
    const QDateTime created = KTFilesManager::fileCreationDate(path);
    if (created.isValid())
        signature->fileCreationTime = double(created.toMSecsSinceEpoch()) / 1000.0;
}
