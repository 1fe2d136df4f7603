#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

/// What the similarity search compares: an N x N RGBA thumbnail processed by the search's
/// treatments, and the shooting facts of the photo. The record is also the signature cache's file
/// format, byte for byte (little-endian, natural alignment, 65,976 bytes), so its layout is fixed
/// by the static_asserts below.
///
/// Threading: a plain value.
struct KTImageSignature
{
    static constexpr std::size_t kByteSize = 65976;
    static constexpr std::size_t kPixelBytes = 128 * 128 * 4;
    static constexpr std::size_t kTextSize = 128;
    static constexpr int32_t kImageTypeRGBA = 4;
    static constexpr uint32_t kMaxSize = 128;
    /// Raised whenever the same file and settings would give other pixels than before.
    static constexpr uint8_t kMakerVersion = 2;

    int32_t imageType;
    uint8_t pixels[kPixelBytes];
    uint32_t size;
    double fileCreationTime;
    double shotTime;
    double exposureTime;
    double exposureBias;
    double fNumber;
    int16_t focalLength;
    int8_t exposureProgram;
    char cameraModel[kTextSize];
    char lensModel[kTextSize];
    char exifDigest[kTextSize];
    int8_t flashFired;
    /// The version of the signature maker whose pixels these are, set by the cache when it saves
    /// them (kMakerVersion); 0 in files of earlier makers, which the cache remakes.
    uint8_t makerVersion;
    uint8_t padding[3];

    /// A zero-filled record (padding included), so that equal signatures are equal files.
    static std::unique_ptr<KTImageSignature> create();

    /// The record read from a cache file's bytes; null, with the reason in `error`, when the length
    /// is not 65,976, `imageType` is not RGBA, or `size` is outside 1 to 128 or not `expectedSize`.
    /// Those would make a comparison read beyond the pixels. Every text field gets a NUL in its
    /// last byte, so a damaged file cannot run a string read past its field.
    static std::unique_ptr<KTImageSignature> fromBytes(const QByteArray &data, uint32_t expectedSize,
                                                       QString *error = nullptr);
    /// The record's 65,976 bytes.
    QByteArray bytes() const;

    /// Copies at most 127 bytes of `text`'s UTF-8 form into a text field and ends it with a NUL.
    static void setText(char (&field)[kTextSize], const QString &text);
};

static_assert(std::is_standard_layout_v<KTImageSignature> && std::is_trivially_copyable_v<KTImageSignature>);
static_assert(sizeof(KTImageSignature) == KTImageSignature::kByteSize);
static_assert(offsetof(KTImageSignature, imageType) == 0);
static_assert(offsetof(KTImageSignature, pixels) == 4);
static_assert(offsetof(KTImageSignature, size) == 65540);
static_assert(offsetof(KTImageSignature, fileCreationTime) == 65544);
static_assert(offsetof(KTImageSignature, shotTime) == 65552);
static_assert(offsetof(KTImageSignature, exposureTime) == 65560);
static_assert(offsetof(KTImageSignature, exposureBias) == 65568);
static_assert(offsetof(KTImageSignature, fNumber) == 65576);
static_assert(offsetof(KTImageSignature, focalLength) == 65584);
static_assert(offsetof(KTImageSignature, exposureProgram) == 65586);
static_assert(offsetof(KTImageSignature, cameraModel) == 65587);
static_assert(offsetof(KTImageSignature, lensModel) == 65715);
static_assert(offsetof(KTImageSignature, exifDigest) == 65843);
static_assert(offsetof(KTImageSignature, flashFired) == 65971);
static_assert(offsetof(KTImageSignature, makerVersion) == 65972);
static_assert(offsetof(KTImageSignature, padding) == 65973);
