#pragma once

#include <QCoreApplication>
#include <QString>
#include <QtGlobal>

/// Tells, from an image file's structure alone, why it would decode to nothing: a JPEG or PNG
/// whose image data ends before its end marker (a copy cut short), a whole JPEG without a frame
/// (nothing but metadata before its first scan or its end), or an image whose smallest
/// decode needs more than the limit every decode keeps to. Only the headers, the chunk headers of
/// a PNG and the last bytes of a JPEG are read; the compressed data of a JPEG is scanned only when
/// the file does not end with its end marker (a trailer after it, or a cut).
///
/// Threading: any thread, many calls at once; each call opens the file itself.
class KTImageFileCheck
{
    Q_DECLARE_TR_FUNCTIONS(KTImageFileCheck)

public:
    /// The most one decode may allocate for its image: every decoder keeps to it, and an image
    /// that cannot be decoded within it, even at the smallest size a decoder reads it, is refused.
    static constexpr int kDecodeAllocationLimitMB = 2048;

    enum class Problem
    {
        None,
        DataEndsEarly,
        NoImageData,
        TooLargeToDecode,
    };

    /// What keeps the image at `path` from being decoded; None when nothing structural does, for
    /// a file of another format than JPEG or PNG (only its size is checked), and for a file that
    /// cannot be opened (the caller's own read tells of that).
    static Problem problemAtPath(const QString &path);
    /// The sentence the missing-images sheet shows for `problem`; empty for None.
    static QString reason(Problem problem);

    /// How the chunks of PNG bytes end: at the end chunk (Complete), at a chunk boundary without
    /// one (EndsEarly), or inside a chunk that claims more than the bytes hold (Overrun, which also
    /// stands for a chunk longer than the format allows). Bytes that are no PNG answer NotPng.
    enum class PngChunks
    {
        NotPng,
        Complete,
        EndsEarly,
        Overrun,
    };
    static PngChunks pngChunks(const uchar *bytes, qint64 size);
};
