#pragma once

#include "KTBurstFixture.h"
#include "KTModesTestSession.h"

#include <QList>
#include <QString>

#include <vector>

class KTImageGroupMO;
class KTImageMO;

/// A real session for the group modes: generated bursts written in the session's photo folder
/// and imported through the catalogue's load, with the similarity search and the time grouping,
/// as a session of the application runs.
class KTBurstModesSession : public KTModesTestSession
{
public:
    struct Load
    {
        int accuracyLevel = 3;
        /// Seconds within which shots are compared (0: no limit).
        double timeRange = 3600;
        /// The time groups' interval.
        double timeLineInterval = 60;
    };

    /// The default bursts: five scenes of 3 to 6 shots, three single shots, scene 0 again two
    /// hours later, 120 x 90 pixels.
    static std::vector<KTBurstPhoto> defaultPhotos();

    /// Writes `photos` and loads them; false when the load did not finish.
    bool load(const std::vector<KTBurstPhoto> &photos, const Load &load);
    bool load(const std::vector<KTBurstPhoto> &photos) { return load(photos, Load()); }
    /// The image of the photo `id` ("s02-b0-1").
    KTImageMO *image(const QString &id) const;
    /// The photo ids of `images`, in order.
    static QStringList ids(const QList<KTImageMO *> &images);
};
