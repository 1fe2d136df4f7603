#pragma once

#include <QImage>
#include <QString>

#include <functional>

class KTEntitiesManager;
class KTFocusedRegionsManager;
class KTImageStorage;
class QObject;

/// What a viewer takes from the layers below it: thumbnails, focused regions, the catalogue for
/// its reject actions, the full-size decode and its timers. A null member means the process's
/// shared one, looked up when first used; tests give their own managers, a gated decode and a
/// scripted clock.
struct KTImageViewServices
{
    /// Runs `job` on the main thread after `seconds`, unless `receiver` is gone by then.
    using Scheduler = std::function<void(QObject *receiver, double seconds, std::function<void()> job)>;
    /// Decodes the upright full-size image of a file; runs on the viewer's decode queue. A null
    /// image when nothing decodes.
    using Decoder = std::function<QImage(const QString &path)>;
    /// Runs `work` off the main thread, then `then` on the main thread.
    using Worker = std::function<void(std::function<void()> work, std::function<void()> then)>;

    KTEntitiesManager *entitiesManager = nullptr;
    KTFocusedRegionsManager *focusedRegionsManager = nullptr;
    KTImageStorage *storage = nullptr;
    /// Null: KTImageUtils::imageFromRawQuick (a RAW file's embedded full-size preview, else its
    /// development, else Qt's readers).
    Decoder decoder;
    /// Null: a single-shot QTimer.
    Scheduler scheduler;
    /// Reads a file's properties for an image document. Null: `work` on the global concurrent
    /// queue, `then` through the main queue. (Tests run both at once.)
    Worker worker;

    KTEntitiesManager &entities() const;
    KTFocusedRegionsManager &focusedRegions() const;
    KTImageStorage *catalogue() const;
    QImage decode(const QString &path) const;
    void schedule(QObject *receiver, double seconds, std::function<void()> job) const;
    void runInBackground(std::function<void()> work, std::function<void()> then) const;
};
