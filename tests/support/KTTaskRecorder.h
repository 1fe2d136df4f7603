#pragma once

#include "KTNotificationCenter.h"

#include <QString>
#include <QVariantMap>

#include <vector>

/// Records the task-bus notifications that one sender posts on the default centre (starts, step
/// counts, steps, progress, ends), in delivery order. Main thread only, like the deliveries of KTTasksNotifier.
class KTTaskRecorder
{
public:
    struct Event
    {
        QString notification;
        QVariantMap userInfo;
    };

    explicit KTTaskRecorder(const QObject *sender);
    KTTaskRecorder(const KTTaskRecorder &) = delete;
    KTTaskRecorder &operator=(const KTTaskRecorder &) = delete;

    void clear() { m_events.clear(); }

    const std::vector<Event> &events() const { return m_events; }
    /// How many notifications named `notification` carried the task name `taskName`.
    int count(const QString &notification, const QString &taskName) const;
    /// The notification names in order, each followed by ":" and its task name when it has one.
    QStringList trail() const;

private:
    std::vector<Event> m_events;
    KTObserverToken m_token;
};
