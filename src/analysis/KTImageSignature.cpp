#include "KTImageSignature.h"

#include <algorithm>
#include <bit>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "The signature file is little-endian.");

std::unique_ptr<KTImageSignature> KTImageSignature::create()
{
    // make_unique value-initialises the aggregate: every byte, padding included, is zero.
    auto signature = std::make_unique<KTImageSignature>();
    std::memset(static_cast<void *>(signature.get()), 0, sizeof(KTImageSignature));
    return signature;
}

std::unique_ptr<KTImageSignature> KTImageSignature::fromBytes(const QByteArray &data, uint32_t expectedSize,
                                                              QString *error)
{
    auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return nullptr;
    };
    if (std::size_t(data.size()) != kByteSize)
        return fail(QStringLiteral("data size#%1 (needed %2)").arg(data.size()).arg(kByteSize));
    auto signature = create();
    std::memcpy(static_cast<void *>(signature.get()), data.constData(), kByteSize);
    if (signature->imageType != kImageTypeRGBA)
        return fail(
            QStringLiteral("image type#%1 (needed %2)").arg(signature->imageType).arg(kImageTypeRGBA));
    if (signature->size == 0 || signature->size > kMaxSize || signature->size != expectedSize)
        return fail(QStringLiteral("image size#%1 (needed %2)").arg(signature->size).arg(expectedSize));
    signature->cameraModel[kTextSize - 1] = '\0';
    signature->lensModel[kTextSize - 1] = '\0';
    signature->exifDigest[kTextSize - 1] = '\0';
    return signature;
}

QByteArray KTImageSignature::bytes() const
{
    return QByteArray(reinterpret_cast<const char *>(this), int(kByteSize));
}

void KTImageSignature::setText(char (&field)[kTextSize], const QString &text)
{
    std::memset(field, 0, kTextSize);
    const QByteArray utf8 = text.toUtf8();
    std::memcpy(field, utf8.constData(), std::min<std::size_t>(std::size_t(utf8.size()), kTextSize - 1));
}
