#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>

#include <vector>

/// A labelled set of photos for the similarity search: several scenes shot in bursts (3 to 6
/// variants with small shifts, noise and exposure steps, 1 s apart), unrelated single shots,
/// look-alike scenes (same palette and light, other layout), and one scene shot again two hours
/// later, and same-spot scenes (an earlier scene with half of its subjects changed, a different
/// moment at the same place). Everything is drawn from a fixed integer generator, so every machine gets the
/// same pixels.
///
/// Threading: plain functions without shared state.
struct KTBurstPhoto
{
    QString id;         // "s03-b0-2": scene 3, burst 0, variant 2; singles are "u<k>"
    int scene = 0;      // same scene = same subject; every single has a scene of its own
    int burst = 0;      // 0, or 1 for the repeat two hours later
    QImage image;       // RGB32
    QDateTime shotTime; // local time, whole seconds
    double exposureTime = 0.01;
};

struct KTBurstFixtureOptions
{
    int width = 120;
    int height = 90;
    int scenes = 8;
    int singles = 6;
    int lookAlikes = 2;
    int sameSpots = 2;
    unsigned seed = 20261210;
};

std::vector<KTBurstPhoto> makeBurstFixture(const KTBurstFixtureOptions &options = {});

/// Writes each photo as "<id>.jpg" in `folder` with EXIF DateTimeOriginal and ExposureTime;
/// returns the paths in the fixture's order (empty strings for files that could not be written).
std::vector<QString> writeBurstFixture(const std::vector<KTBurstPhoto> &photos, const QString &folder);
