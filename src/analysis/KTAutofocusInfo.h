#pragma once

#include <QList>
#include <QString>
#include <QVariantList>

#include <cstdint>

/// The camera's autofocus points of an image file, from its maker notes, as one flat list of
/// groups of five values: x, y, width and height as fractions of the stored (unrotated) image,
/// with y measured upwards from the lower edge, and a mark: "F" for a point in focus, "f" for a
/// point selected but not in focus, any other string for the other valid points.
///
/// Sources, first found wins: Canon's AF information (Exif.Canon.AFInfo, then AFInfo3, which
/// share one layout), then Nikon's contrast-detect area. Every other file has none. Values are
/// not range-checked here; the focused-regions storage checks them.
///
/// Threading: plain functions without shared state; safe on any thread, several at once.
class KTAutofocusInfo
{
public:
    /// The groups of the file at `path`; empty when it has none or cannot be read.
    static QVariantList afInfoAtPath(const QString &path);

    /// The groups of a Canon AF information record (its 16-bit words as stored): number of
    /// points N at word 2, valid points at 3, AF image size at 6 and 7, then N widths, heights,
    /// x and y positions (signed, from the centre, y upwards), the in-focus bits and, when
    /// present, the selected bits. Points of zero size are skipped. Empty for a record too short
    /// for its N.
    static QVariantList afInfoFromCanonAFInfo(const QList<uint16_t> &words);

    /// Nikon's contrast-detect area: the AF image size and the area's centre and size in that
    /// image (y downwards), whether contrast-detect AF was used and whether it found focus.
    struct NikonContrastDetectArea
    {
        bool contrastDetectAF = false;
        int imageWidth = 0;
        int imageHeight = 0;
        int centreX = 0;
        int centreY = 0;
        int width = 0;
        int height = 0;
        bool inFocus = false;
    };
    /// One group ("F" when in focus, else "f"); empty when contrast-detect AF was not used or a
    /// size is zero.
    static QVariantList afInfoFromNikonContrastDetectArea(const NikonContrastDetectArea &area);
};
