#pragma once

#include "KTImageSignature.h"
#include "KTSearchSettings.h"

#include <QImage>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <memory>

/// Whether a signature's picture is decoded from the file's upright thumbnail (the RAW preview for
/// a RAW file) or from the full image.
enum class KTSignaturePreview
{
    Yes,
    No
};

// Making signatures: the N x N thumbnail of an image file, processed by the treatments that the
// settings switch on, and the shooting facts from its metadata.
//
// Threading: reentrant; the similar finder calls these from many workers at once, each call with
// its own buffers. Full-size RAW decoding (KTSignaturePreview::No on a RAW file) blocks the caller
// while the process's single RAW queue works.

/// A new signature with pixels only (the metadata fields are left zero); null when no file is at
/// `path` or it does not decode. With the preview flag a JPEG is decoded once, at the smallest DCT
/// scale whose width and height reach twice the signature side, and leaves the photo's smallest
/// thumbnail in KTFirstThumbnailStore; other files (and the full decode) take cgImageRefFromPath at
/// twice the side, again longer when the picture is narrower or shorter than that.
std::unique_ptr<KTImageSignature>
CreateHashFromImagePath(const QString &path, const KTSearchSettings &settings, KTSignaturePreview preview);
/// The picture of the file scaled to fit width x height (the thumbnail path) or stretched to it
/// (the full image); null, logged, when it does not decode.
QImage cgImageRefFromPath(const QString &path, KTSignaturePreview preview, int width, int height);
/// Draws `image` stretched over the signature's N x N thumbnail and processes it. False when the
/// image is null or the processing refuses (see CreateHashFromRGBA).
bool CreateHashFromCGImageRef(const QImage &image, KTImageSignature &signature,
                              const KTSearchSettings &settings);
/// Sets imageType, size and the pixels from a width x height RGBA buffer (4 bytes a pixel, rows
/// top to bottom), resampled to N x N, and applies the treatments that the settings switch on:
/// desaturation, equalisation, contrast stretch and blur, in that order. False, logged, when the
/// settings' side is outside 1 to 128 or the buffer is empty.
bool CreateHashFromRGBA(const uint8_t *rgba, int width, int height, KTImageSignature &signature,
                        const KTSearchSettings &settings);

/// Fills every metadata field from the file's EXIF and TIFF metadata and its creation date;
/// absent values get -1 (numbers) or empty text. Does nothing for a null signature.
void FillSignatureMetadataFromFile(KTImageSignature *signature, const QString &path);
/// The properties dictionary of the file's first image; empty when there is none.
QVariantMap metadataDictionaryFromPath(const QString &path);
