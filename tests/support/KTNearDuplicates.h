#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>

#include <vector>

// Near-duplicates of a real photo, as a photographer meets them: the same frame a little brighter
// or darker, tone-mapped, in greyscale, re-encoded, slightly cropped, stored sideways with an
// orientation tag, mirrored. The calibration set of the similarity presets and the tests that pin
// its main cases build their files with these, so both see the same pixels.
//
// Threading: plain functions without shared state.

/// The photo `ev` stops brighter (negative: darker): every channel scaled by 2^ev in linear light
/// (the sRGB curve undone and redone), clipped as a sensor clips.
QImage exposureShifted(const QImage &image, double ev);

/// A local tone mapping as cameras' HDR modes do it: the luminance's large-scale base compressed
/// towards middle grey while its local detail is kept, so shadows open and highlights come down.
QImage toneMapped(const QImage &image);

/// The luminance alone, as an 8-bit greyscale image.
QImage greyscaled(const QImage &image);

/// The centre of the photo without `fraction` of its width and height (half on each side).
QImage cropped(const QImage &image, double fraction);

/// The pixels to store with EXIF orientation `orientation` (1 to 8) so that a reader turning the
/// stored image by that tag shows `upright` again.
QImage storedForOrientation(const QImage &upright, int orientation);

/// Each sRGB channel value v (0 to 1) of the photo replaced by `curve(v)`, as a raw converter's or
/// an editor's tone curve does it.
QImage toneCurved(const QImage &image, float (*curve)(float, float), float amount);

/// The colours pushed away from (positive `amount`) or towards (negative) their luma, by `amount`
/// of their distance from it.
QImage saturationChanged(const QImage &image, float amount);

/// `text` drawn small in the lower corner, as a camera's date imprint (orange digits, bottom
/// right) or a label (white on a dark box, bottom left) are.
enum class KTOverlay
{
    DateStamp,
    Label
};
QImage overlaid(const QImage &image, KTOverlay overlay);

/// The photo `dx` pixels to the left and `dy` pixels up, the frame cut by as much.
QImage shifted(const QImage &image, int dx, int dy);

/// The centre of the frame (a third of its width, half of its height) moved a sixth of the width
/// to the right over the background: the same scene with its subject moved.
QImage subjectMoved(const QImage &image);

/// One derived file: its kind (a short name such as "ev+1/3"), the pixels as stored, the
/// orientation tag and JPEG quality to write, how much later it was shot than the original (a
/// bracket is a few seconds apart, a copy keeps the original's time) and its exposure change.
struct KTNearDuplicate
{
    QString kind;
    QImage stored;
    int orientation = 1;
    int quality = 92;
    int secondsLater = 0;
    double ev = 0;
    /// True when a pixel-grid signature cannot be expected to match it (a mirror image).
    bool outOfReach = false;
    /// True for a file without a shooting time, as a converter that drops the metadata writes it.
    bool undated = false;
};

/// The variants of `upright`: exposure -1, -1/3, +1/3 and +1 EV, tone-mapped, greyscale,
/// re-encoded at quality 70, a 2 % crop, the eight orientation tags and a mirror image.
std::vector<KTNearDuplicate> nearDuplicatesOf(const QImage &upright);

/// The kind names of nearDuplicatesOf, in its order.
QStringList nearDuplicateKinds();

/// The renditions of `upright` that an editor or converter gives of the same frame: gamma 0.8 and
/// 1.25, contrast and saturation 10 % up and down, a brighter and flatter rendering, a date stamp
/// and a label, crops of 1 and 3 %, a shift of a few pixels. All are undated, so a search compares
/// them with its strictest rule.
std::vector<KTNearDuplicate> renditionsOf(const QImage &upright);

/// The kind of the file made by subjectMoved: not the same shot, though of the same scene.
inline constexpr const char *kSubjectMovedKind = "moved";

/// Writes `variant` as a JPEG to `path` with the EXIF of the camera file `originalPath` (when it
/// has any): its orientation, pixel size, DateTimeOriginal (`shot`, none when the variant is
/// undated), and for an exposure change
/// its exposure time and bias, follow the variant; the original's EXIF thumbnail is dropped. A
/// photo without EXIF gets a small block with the time and orientation. False when the file
/// could not be written.
bool writeNearDuplicate(const QString &path, const KTNearDuplicate &variant, const QString &originalPath,
                        const QDateTime &shot);

/// Copies the camera file `originalPath` to `path` with its DateTimeOriginal set to `shot`; the
/// encoded pixels stay as they are. False when it could not.
bool copyWithShotTime(const QString &originalPath, const QString &path, const QDateTime &shot);
